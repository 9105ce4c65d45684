#pragma once

#include "core/tvmodels.h"

#include <QAbstractButton>

class BadgeLabel;
class Icons;
class QLabel;
class SymbolView;

// One external input as a button: in-use mark, label, "正在使用" on the input the TV shows and
// "未连接" when nothing is plugged into it.
class InputRow : public QAbstractButton {
    Q_OBJECT

public:
    InputRow(Icons *icons, const ExternalInput &input, bool inUse, QWidget *parent = nullptr);

    ExternalInput input() const { return m_input; }
    void setInput(const ExternalInput &input, bool inUse);
    bool isInUse() const { return m_inUse; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Icons *m_icons;
    ExternalInput m_input;
    bool m_inUse = false;
    SymbolView *m_mark;
    QLabel *m_label;
    BadgeLabel *m_using;
    QLabel *m_unplugged;
};
