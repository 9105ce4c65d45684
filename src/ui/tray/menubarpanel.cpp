#include "ui/tray/menubarpanel.h"

#include "ui/theme/metrics.h"
#include "ui/keys/appkeymonitor.h"
#include "ui/shell/actions.h"
#include "ui/theme/icons.h"
#include "ui/keys/keyhits.h"
#include "ui/keys/remotekeycapture.h"
#include "ui/remote/remotepage.h"
#include "ui/theme/stateline.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// QScrollArea caps its size hint at about 24 lines of text, which opened the panel shorter than
// the remote it holds. This one asks for the whole content; the panel's owner still bounds the
// height by the screen, and only there does the remote scroll.
class ContentScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        if (!widget())
            return QScrollArea::sizeHint();
        const int frame = 2 * frameWidth();
        return widget()->sizeHint() + QSize(frame, frame);
    }
};

// The logo: the remote symbol in white on a rounded accent tile.
QLabel *logoTile(Icons *icons, QWidget *parent)
{
    const int size = 30;
    const qreal ratio = parent->devicePixelRatioF();
    QPixmap tile(QSize(size, size) * ratio);
    tile.setDevicePixelRatio(ratio);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, size, size);
    fill.setColorAt(0, QColor(0x4f, 0x7c, 0xff));
    fill.setColorAt(1, QColor(0x8b, 0x5c, 0xf6));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0, 0, size, size), 8, 8);
    icons->tinted(QStringLiteral("av.remote.fill"), Qt::white).paint(&painter, QRect(6, 6, size - 12, size - 12));
    painter.end();
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("panelLogo"));
    label->setPixmap(tile);
    label->setFixedSize(size, size);
    return label;
}

} // namespace

MenuBarPanel::MenuBarPanel(UiContext &ctx, std::function<void()> openMainWindow, QWidget *parent)
    : QWidget(parent, Qt::Popup)
    , m_ctx(ctx)
    , m_openMainWindow(std::move(openMainWindow))
    , m_hits(new KeyHits(this))
{
    setObjectName(QStringLiteral("trayPanel"));
    setWindowTitle(QStringLiteral("Veltrix"));
    setAccessibleName(tr("迷你遥控器"));
    setFocusPolicy(Qt::ClickFocus);

    m_openWindow = new QPushButton(ctx.icons->icon(QStringLiteral("macwindow")), tr("打开主窗口"), this);
    m_openWindow->setObjectName(QStringLiteral("openMainWindow"));
    m_openWindow->setFocusPolicy(Qt::TabFocus);
    QObject::connect(m_openWindow, &QPushButton::clicked, this, [this] {
        if (m_openMainWindow)
            m_openMainWindow();
        close();
    });

    m_remote = new RemotePage(ctx, ViewLayout::trayPanel, m_hits);
    auto *scroll = new ContentScrollArea(this);
    scroll->setObjectName(QStringLiteral("panelScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(m_remote);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins::trayPanel);
    layout->setSpacing(spacing::items);
    layout->addWidget(makeHeader());
    layout->addWidget(m_openWindow);
    layout->addWidget(scroll, 1);
    setFixedWidth(panelWidth);

    // The panel's own keys, media keys included; shortcuts while it is the active window go
    // to its own (invisible) page, as the main window is not the one being used.
    m_capture = new RemoteKeyCapture(this, ctx.session, m_hits, true, ctx.shortcuts);
    m_monitor = new AppKeyMonitor(this, ctx.session, ctx.shortcuts, false);
    // The commands' shortcuts live in the main window's menu bar, which a closed window takes
    // out of reach: the panel carries them too.
    if (ctx.actions)
        addActions(ctx.actions->all());
    // Losing the focus to another application closes the panel, as a click elsewhere does.
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive && isVisible())
            close();
    });
}

QWidget *MenuBarPanel::makeHeader()
{
    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("panelHeader"));
    auto *name = new QLabel(QStringLiteral("Veltrix"), header);
    name->setFont(boldFont(name->font(), fontScale::panelName));
    auto *stateRow = new QHBoxLayout;
    m_stateLine = new StateLine(m_ctx.session, QStringLiteral("panel"), header);
    stateRow->addWidget(m_stateLine);
    stateRow->addStretch(1);
    auto *text = new QVBoxLayout;
    text->setSpacing(spacing::none);
    text->addWidget(name);
    text->addLayout(stateRow);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(margins::none);
    row->setSpacing(spacing::items);
    row->addWidget(logoTile(m_ctx.icons, header));
    row->addLayout(text, 1);
    return header;
}

void MenuBarPanel::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    const bool shown = isVisible();
    m_mode = mode;
    setWindowFlags(mode == Mode::popup ? Qt::Popup : Qt::Tool);
    if (mode == Mode::toolWindow)
        setWindowTitle(tr("迷你遥控器"));
    if (shown)
        show();
}

void MenuBarPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A popup stays the active window while shown; the tool window closes like it when the
    // user moves on to another window.
    if (event->type() == QEvent::ActivationChange && m_mode == Mode::toolWindow && isVisible() && !isActiveWindow())
        close();
}

void MenuBarPanel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        Q_EMIT hidden();
}
