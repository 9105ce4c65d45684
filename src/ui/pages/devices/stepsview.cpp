#include "ui/pages/devices/stepsview.h"

#include <QPainter>

namespace {
constexpr int kMark = 22;
constexpr int kGap = 6;
}  // namespace

StepsView::StepsView(const QStringList &titles, QWidget *parent)
    : QWidget(parent)
    , m_titles(titles)
{
    setObjectName(QStringLiteral("pairingSteps"));
    setAccessibleName(titles.join(QStringLiteral(" · ")));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StepsView::setCurrent(int current)
{
    if (m_current == current)
        return;
    m_current = current;
    setAccessibleDescription(QString::number(current));
    update();
    Q_EMIT currentChanged(current);
}

QSize StepsView::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    for (const QString &title : m_titles)
        width += metrics.horizontalAdvance(title) + 24;
    return {width, kMark + kGap + metrics.height() + 2};
}

QSize StepsView::minimumSizeHint() const
{
    return sizeHint();
}

void StepsView::paintEvent(QPaintEvent *)
{
    if (m_titles.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    const QColor accent = pal.color(QPalette::Highlight);
    const QColor quiet = pal.color(QPalette::Mid);
    const qreal column = qreal(width()) / m_titles.size();
    const qreal markY = kMark / 2.0 + 1;

    for (int i = 0; i < m_titles.size(); ++i) {
        const int step = i + 1;
        const bool done = step < m_current;
        const bool underWay = step == m_current;
        const QPointF centre(column * (i + 0.5), markY);
        // The line to the next step is lit once this one is done.
        if (i + 1 < m_titles.size()) {
            painter.setPen(QPen(done ? accent : quiet, 2));
            painter.drawLine(QPointF(centre.x() + kMark / 2.0 + 4, markY),
                             QPointF(centre.x() + column - kMark / 2.0 - 4, markY));
        }
        painter.setPen(QPen(done || underWay ? accent : quiet, 1.5));
        painter.setBrush(done ? accent : Qt::transparent);
        painter.drawEllipse(centre, kMark / 2.0, kMark / 2.0);
        painter.setPen(done ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::WindowText));
        const QRectF markBox(centre.x() - kMark / 2.0, 1, kMark, kMark);
        painter.drawText(markBox, Qt::AlignCenter, done ? QStringLiteral("✓") : QString::number(step));

        QFont titleFont = font();
        titleFont.setBold(underWay);
        painter.setFont(titleFont);
        painter.setPen(done || underWay ? pal.color(QPalette::WindowText) : pal.color(QPalette::PlaceholderText));
        const QRectF titleBox(column * i, kMark + kGap, column, height() - kMark - kGap);
        painter.drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop, m_titles.at(i));
        painter.setFont(font());
    }
}
