#pragma once

#include <QAbstractButton>

// A clickable row of a list (a saved TV, an external input) on a rounded, tinted background:
// stronger when marked (the selected TV, the input in use), lighter under the mouse or while
// pressed. Subclasses lay out their contents; the row is as large as that layout asks.
class ListRow : public QAbstractButton {
    Q_OBJECT

public:
    // Whether the outline shows on every row or only on the marked one (and on focus).
    enum class Outline { always, whenMarked };

    explicit ListRow(Outline outline, QWidget *parent = nullptr);

    bool isMarked() const { return m_marked; }
    QSize sizeHint() const override;

protected:
    void setMarked(bool marked);
    void paintEvent(QPaintEvent *event) override;

private:
    Outline m_outline;
    bool m_marked = false;
};
