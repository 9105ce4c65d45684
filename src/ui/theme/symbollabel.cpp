#include "ui/theme/symbollabel.h"

#include "ui/theme/icons.h"

#include <QEvent>

SymbolLabel::SymbolLabel(Icons *icons, const QString &symbol, int size, QWidget *parent)
    : QLabel(parent)
    , m_icons(icons)
    , m_symbol(symbol)
    , m_size(size)
{
    setObjectName(QStringLiteral("symbol.") + symbol);
    setFixedSize(size, size);
    render();
}

void SymbolLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        render();
}

void SymbolLabel::render()
{
    setPixmap(m_icons->tinted(m_symbol, palette().color(QPalette::WindowText)).pixmap(m_size, m_size));
}
