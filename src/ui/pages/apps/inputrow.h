#pragma once

#include "core/tvmodels.h"

#include "ui/theme/listrow.h"

class BadgeLabel;
class Icons;
class QLabel;
class SymbolView;

// One external input as a button: in-use mark, label, "正在使用" on the input the TV shows and
// "未连接" when nothing is plugged into it.
class InputRow : public ListRow {
    Q_OBJECT

public:
    InputRow(Icons *icons, const ExternalInput &input, bool inUse, QWidget *parent = nullptr);

    ExternalInput input() const { return m_input; }
    void setInput(const ExternalInput &input, bool inUse);
    bool isInUse() const { return isMarked(); }

private:
    ExternalInput m_input;
    SymbolView *m_mark;
    QLabel *m_label;
    BadgeLabel *m_using;
    QLabel *m_unplugged;
};
