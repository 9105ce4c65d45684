#include "ui/pages/apps/inputrow.h"

#include "ui/theme/metrics.h"
#include "ui/pages/apps/appsrules.h"
#include "ui/theme/icons.h"
#include "ui/theme/badgelabel.h"
#include "ui/theme/symbolview.h"

#include <QHBoxLayout>
#include <QLabel>

InputRow::InputRow(Icons *icons, const ExternalInput &input, bool inUse, QWidget *parent)
    : ListRow(Outline::always, parent)
    , m_mark(new SymbolView(icons, QStringLiteral("circle"), 18, this))
    , m_label(new QLabel(this))
    , m_using(new BadgeLabel(tr("正在使用"), this))
    , m_unplugged(new QLabel(tr("未连接"), this))
{
    setObjectName(QStringLiteral("inputRow"));
    m_using->setObjectName(QStringLiteral("inUseBadge"));
    m_unplugged->setObjectName(QStringLiteral("unpluggedText"));
    m_unplugged->setForegroundRole(QPalette::PlaceholderText);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(margins::row);
    row->setSpacing(spacing::items);
    row->addWidget(m_mark);
    row->addWidget(m_label, 1);
    row->addWidget(m_unplugged);
    row->addWidget(m_using);
    setInput(input, inUse);
}

void InputRow::setInput(const ExternalInput &input, bool inUse)
{
    m_input = input;
    setMarked(inUse);
    const QString mark = inUse ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
    m_mark->setSymbol(mark);
    m_label->setText(input.label);
    m_using->setVisible(inUse);
    m_unplugged->setVisible(!input.connected);
    const QString tip = appsrules::switchTooltip(input);
    setToolTip(tip);
    setAccessibleName(tip);
}
