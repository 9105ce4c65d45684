#include "ui/theme/listrow.h"

#include <QLayout>
#include <QPainter>
#include <QPainterPath>

ListRow::ListRow(Outline outline, QWidget *parent)
    : QAbstractButton(parent)
    , m_outline(outline)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ListRow::setMarked(bool marked)
{
    m_marked = marked;
    update();
}

QSize ListRow::sizeHint() const
{
    return layout() ? layout()->sizeHint() : QAbstractButton::sizeHint();
}

void ListRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QColor fill = pal.color(QPalette::Highlight);
    fill.setAlphaF(m_marked ? 0.14 : (isDown() ? 0.1 : (underMouse() ? 0.06 : 0.0)));
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, fill);
    if (m_outline == Outline::whenMarked && !m_marked && !hasFocus())
        return;
    // An outline on every row stays quiet until the row has the focus.
    const bool accent = hasFocus() || m_outline == Outline::whenMarked;
    const QColor line = pal.color(accent ? QPalette::Highlight : QPalette::Mid);
    painter.setPen(QPen(line, hasFocus() ? 1.5 : 1.0));
    painter.drawPath(path);
}
