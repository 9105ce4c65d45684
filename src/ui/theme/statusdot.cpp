#include "ui/theme/statusdot.h"

#include "ui/theme/statetitle.h"
#include "ui/theme/theme.h"

#include <QPainter>

StatusDot::StatusDot(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("statusDot"));
    setAccessibleName(tr("状态"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusDot::setState(const ConnectionState &state, bool standby)
{
    if (m_state == state && m_standby == standby)
        return;
    m_state = state;
    m_standby = standby;
    setAccessibleDescription(stateTitle(state, standby));
    update();
}

QColor StatusDot::color() const
{
    return statusDotColor(m_state, m_standby, Theme::isDarkPalette(palette()));
}

void StatusDot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color());
    const qreal diameter = 8.0;
    painter.drawEllipse(QRectF((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter));
}
