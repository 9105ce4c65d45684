#include "ui/theme/pagebutton.h"

#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal kDimmed = 0.4;
constexpr int kIconGap = 6;
}  // namespace

PageButton::PageButton(const QString &text, Kind kind, QWidget *parent)
    : QPushButton(text, parent)
    , m_kind(kind)
{
    setCursor(Qt::PointingHandCursor);
    setIconSize(QSize(16, 16));
    setAccessibleName(text);
}

QSize PageButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 28;
    if (!icon().isNull())
        width += iconSize().width() + kIconGap;
    return {width, std::max(32, metrics.height() + 14)};
}

void PageButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(kDimmed);
    const QPalette pal = palette();
    const bool primary = m_kind == Kind::primary;
    QColor fill = primary ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button);
    if (isDown())
        fill = fill.darker(115);
    else if (underMouse() && isEnabled())
        fill = fill.lighter(108);
    QPainterPath path;
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(box, 8, 8);
    painter.fillPath(path, fill);
    if (!primary) {
        painter.setPen(QPen(pal.color(QPalette::Mid), 1));
        painter.drawPath(path);
    }
    if (hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
        painter.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 7, 7);
    }

    const QColor ink = primary ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText);
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(text());
    const bool hasIcon = !icon().isNull();
    const int content = textWidth + (hasIcon ? iconSize().width() + kIconGap : 0);
    int x = (width() - content) / 2;
    if (hasIcon) {
        const QRect iconBox(QPoint(x, (height() - iconSize().height()) / 2), iconSize());
        // Primary buttons draw the symbol in the text colour on the accent.
        const QIcon::Mode mode = primary ? QIcon::Selected : QIcon::Normal;
        icon().paint(&painter, iconBox, Qt::AlignCenter, mode);
        x += iconSize().width() + kIconGap;
    }
    painter.setPen(ink);
    painter.drawText(QRect(x, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}
