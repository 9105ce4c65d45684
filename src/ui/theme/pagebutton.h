#pragma once

#include <QPushButton>

// The devices page's two button looks: primary (filled with the accent) and secondary
// (a quiet outline). Both are drawn dimmed while disabled.
class PageButton : public QPushButton {
    Q_OBJECT

public:
    enum class Kind { primary, secondary };

    PageButton(const QString &text, Kind kind, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
};
