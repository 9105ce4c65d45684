#include "ui/pages/apps/segmentedtabs.h"

#include "ui/theme/metrics.h"
#include "ui/theme/motion.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace {

// A tab draws only its title; the pill behind it belongs to the row.
class TabButton : public QAbstractButton {
public:
    TabButton(const QString &title, QWidget *parent)
        : QAbstractButton(parent)
    {
        setText(title);
        setAccessibleName(title);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 32, metrics.height() + 14};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QFont f = font();
        f.setBold(isChecked());
        painter.setFont(f);
        const QPalette pal = palette();
        painter.setPen(isChecked() ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(pal.color(QPalette::Highlight).lighter(130), 1.5));
            painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 8, 8);
        }
    }
};

}  // namespace

SegmentedTabs::SegmentedTabs(const QStringList &titles, bool equalWidth, QWidget *parent)
    : QWidget(parent)
    , m_titles(titles)
    , m_group(new QButtonGroup(this))
    , m_slide(new QVariantAnimation(this))
{
    setObjectName(QStringLiteral("segmentedTabs"));
    setAccessibleName(titles.join(QLatin1Char('/')));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(margins::segments);
    row->setSpacing(spacing::tight);
    for (int i = 0; i < titles.size(); ++i) {
        auto *tab = new TabButton(titles.at(i), this);
        tab->setObjectName(QStringLiteral("tab%1").arg(i));
        if (equalWidth)
            tab->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        m_group->addButton(tab, i);
        m_tabs.append(tab);
        row->addWidget(tab, equalWidth ? 1 : 0);
    }
    if (equalWidth) {
        int widest = 0;
        for (QAbstractButton *tab : std::as_const(m_tabs))
            widest = std::max(widest, tab->sizeHint().width());
        for (QAbstractButton *tab : std::as_const(m_tabs))
            tab->setMinimumWidth(widest);
    }
    if (!m_tabs.isEmpty())
        m_tabs.first()->setChecked(true);
    m_slide->setDuration(220);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_pill = value.toRectF();
        update();
    });
    QObject::connect(m_group, &QButtonGroup::idClicked, this, &SegmentedTabs::setSelection);
}

QAbstractButton *SegmentedTabs::tab(int index) const
{
    return m_tabs.value(index);
}

void SegmentedTabs::setSelection(int selection)
{
    if (selection == m_selection || selection < 0 || selection >= m_tabs.size())
        return;
    const QRectF from = pillRect();
    m_selection = selection;
    m_tabs.at(selection)->setChecked(true);
    m_slide->stop();
    m_slide->setStartValue(from);
    m_slide->setEndValue(targetRect());
    m_slide->start();
    if (motionReduced(this))
        m_slide->setCurrentTime(m_slide->duration());
    Q_EMIT selectionChanged(selection);
}

void SegmentedTabs::finishSlide()
{
    if (m_slide->state() == QAbstractAnimation::Running)
        m_slide->setCurrentTime(m_slide->duration());
    m_slide->stop();
    update();
}

// At rest the pill sits on the selected tab wherever the layout has put it.
QRectF SegmentedTabs::pillRect() const
{
    return m_slide->state() == QAbstractAnimation::Running ? m_pill : targetRect();
}

QRectF SegmentedTabs::targetRect() const
{
    if (m_tabs.isEmpty())
        return {};
    return QRectF(m_tabs.at(m_selection)->geometry());
}

void SegmentedTabs::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(track, pal.color(QPalette::Button));
    painter.setPen(QPen(pal.color(QPalette::Mid), 1));
    painter.drawPath(track);
    QPainterPath pill;
    pill.addRoundedRect(pillRect(), 8, 8);
    painter.fillPath(pill, pal.color(QPalette::Highlight));
}
