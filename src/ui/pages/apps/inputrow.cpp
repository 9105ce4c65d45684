#include "ui/pages/apps/inputrow.h"

#include "ui/pages/apps/appsrules.h"
#include "ui/theme/icons.h"
#include "ui/theme/symbolview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

InputRow::InputRow(Icons *icons, const ExternalInput &input, bool inUse, QWidget *parent)
    : QAbstractButton(parent)
    , m_icons(icons)
    , m_mark(new SymbolView(icons->icon(QStringLiteral("circle")), QStringLiteral("circle"), 18, this))
    , m_label(new QLabel(this))
    , m_using(new BadgeLabel(QStringLiteral("正在使用"), this))
    , m_unplugged(new QLabel(QStringLiteral("未连接"), this))
{
    setObjectName(QStringLiteral("inputRow"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_using->setObjectName(QStringLiteral("inUseBadge"));
    m_unplugged->setObjectName(QStringLiteral("unpluggedText"));
    m_unplugged->setForegroundRole(QPalette::PlaceholderText);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 8, 12, 8);
    row->setSpacing(10);
    row->addWidget(m_mark);
    row->addWidget(m_label, 1);
    row->addWidget(m_unplugged);
    row->addWidget(m_using);
    setInput(input, inUse);
}

void InputRow::setInput(const ExternalInput &input, bool inUse)
{
    m_input = input;
    m_inUse = inUse;
    const QString mark = inUse ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
    m_mark->setSymbol(m_icons->icon(mark), mark);
    m_label->setText(input.label);
    m_using->setVisible(inUse);
    m_unplugged->setVisible(!input.connected);
    const QString tip = appsrules::switchTooltip(input);
    setToolTip(tip);
    setAccessibleName(tip);
    update();
}

QSize InputRow::sizeHint() const
{
    return layout()->sizeHint();
}

void InputRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QColor fill = pal.color(QPalette::Highlight);
    fill.setAlphaF(m_inUse ? 0.14 : (isDown() ? 0.1 : (underMouse() ? 0.05 : 0.0)));
    QPainterPath path;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(box, 10, 10);
    painter.fillPath(path, fill);
    painter.setPen(QPen(hasFocus() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Mid), hasFocus() ? 1.5 : 1.0));
    painter.drawPath(path);
}
