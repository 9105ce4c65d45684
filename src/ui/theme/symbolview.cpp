#include "ui/theme/symbolview.h"

#include "ui/theme/icons.h"

#include <QPainter>

SymbolView::SymbolView(Icons *icons, const QString &symbol, int size, QWidget *parent)
    : QWidget(parent)
    , m_icons(icons)
    , m_symbol(symbol)
    , m_size(size)
{
    setObjectName(QStringLiteral("symbol.") + symbol);
    setAccessibleName(symbol);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolView::setSymbol(const QString &symbol)
{
    if (m_symbol == symbol)
        return;
    m_symbol = symbol;
    setObjectName(QStringLiteral("symbol.") + symbol);
    setAccessibleName(symbol);
    update();
}

void SymbolView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
    m_icons->icon(m_symbol).paint(&painter, box, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
