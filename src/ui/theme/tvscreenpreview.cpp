#include "ui/theme/tvscreenpreview.h"

#include "ui/theme/icons.h"
#include "preview/previewcontroller.h"

#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QWindow>

namespace {

PreviewWindowState stateOf(const QWidget *widget)
{
    const QWidget *window = widget->window();
    const QWindow *handle = window->windowHandle();
    PreviewWindowState state;
    state.active = window->isActiveWindow();
    state.minimised = window->isMinimized();
    state.visible = window->isVisible();
    state.exposed = handle && handle->isExposed();
    return state;
}

} // namespace

TVScreenPreview::TVScreenPreview(TVSession *session, SharedPreview *shared, Icons *icons, QWidget *parent)
    : QWidget(parent)
    , m_icons(icons)
    , m_controller(new PreviewController(session, shared, [this] { return stateOf(this); }, this))
{
    setObjectName(QStringLiteral("tvScreenPreview"));
    setToolTip(tr("电视截图每秒刷新一次，仅在本机显示"));
    setAccessibleName(tr("当前电视画面"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    QObject::connect(m_controller, &PreviewController::displayChanged, this, &TVScreenPreview::onDisplayChanged);
}

TVScreenPreview::~TVScreenPreview() = default;

QString TVScreenPreview::placeholderSymbol() const
{
    return m_controller->failing() ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("tv");
}

QRect TVScreenPreview::pictureArea() const
{
    QSize size(width(), width() * 9 / 16);
    if (size.height() > height())
        size = QSize(height() * 16 / 9, height());
    QRect area(QPoint(0, 0), size);
    area.moveCenter(rect().center());
    return area;
}

void TVScreenPreview::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window being restored by the window system is the probe's business, not the scene's.
    if (!event->spontaneous())
        m_controller->setSceneActive(true);
}

void TVScreenPreview::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_controller->setSceneActive(false);
}

void TVScreenPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled = QPixmap();
}

void TVScreenPreview::onDisplayChanged()
{
    if (m_controller->image().cacheKey() != m_shown.cacheKey())
        m_scaled = QPixmap();
    update();
}

void TVScreenPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect area = pictureArea();
    QPainterPath clip;
    clip.addRoundedRect(QRectF(area), 10, 10);
    painter.setClipPath(clip);
    painter.fillRect(area, QColor(0x10, 0x12, 0x18));
    if (!m_controller->image().isNull()) {
        paintPicture(painter, area);
        if (m_controller->showsCaption())
            paintCaption(painter, area);
    } else {
        paintPlaceholder(painter, area);
    }
}

void TVScreenPreview::paintPicture(QPainter &painter, const QRect &area)
{
    const QImage image = m_controller->image();
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(area.size()) * ratio).toSize();
    if (m_scaled.isNull() || m_scaled.size() != target || image.cacheKey() != m_shown.cacheKey()) {
        m_shown = image;
        m_scaled = QPixmap::fromImage(image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(area.topLeft(), m_scaled);
}

void TVScreenPreview::paintCaption(QPainter &painter, const QRect &area)
{
    QFont font = this->font();
    font.setWeight(QFont::Medium);
    font.setPointSizeF(9);
    const QFontMetrics metrics(font);
    const QString text = tr("每秒刷新");
    const QSize box(metrics.horizontalAdvance(text) + 14, metrics.height() + 6);
    const QRect caption(area.right() - box.width() - 8, area.bottom() - box.height() - 8, box.width(), box.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawRoundedRect(QRectF(caption), box.height() / 2.0, box.height() / 2.0);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(caption, Qt::AlignCenter, text);
}

void TVScreenPreview::paintPlaceholder(QPainter &painter, const QRect &area)
{
    QFont font = this->font();
    font.setPointSizeF(10);
    const QFontMetrics metrics(font);
    const int glyph = 22;
    const int total = glyph + 8 + metrics.height();
    const int top = area.center().y() - total / 2;
    const QRect icon(area.center().x() - glyph / 2, top, glyph, glyph);
    const QColor muted(0xa8, 0xae, 0xbb);
    m_icons->tinted(placeholderSymbol(), muted).paint(&painter, icon, Qt::AlignCenter);
    painter.setFont(font);
    painter.setPen(muted);
    const QRect text(area.left() + 8, icon.bottom() + 8, area.width() - 16, metrics.height());
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine,
                     metrics.elidedText(m_controller->statusText(), Qt::ElideRight, text.width()));
}
