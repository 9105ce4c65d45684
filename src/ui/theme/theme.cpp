#include "ui/theme/theme.h"

#include "platform/desktopappearance.h"

#include <QApplication>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>

// Fusion, reporting no animation time while the desktop asks for less animation: Qt's own
// widgets honour that, and ours ask the same question (motionReduced()).
class MotionStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    bool reduce = false;

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Widget_Animation_Duration && reduce)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

namespace {

struct Roles {
    QColor window, windowText, base, alternateBase, text, button, buttonText, highlight,
        highlightedText, link, toolTipBase, toolTipText, placeholder, light, mid, dark, shadow;
    QColor disabledText;
};

QPalette build(const Roles &r)
{
    QPalette palette;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, r.window);
        palette.setColor(group, QPalette::WindowText, r.windowText);
        palette.setColor(group, QPalette::Base, r.base);
        palette.setColor(group, QPalette::AlternateBase, r.alternateBase);
        palette.setColor(group, QPalette::Text, r.text);
        palette.setColor(group, QPalette::Button, r.button);
        palette.setColor(group, QPalette::ButtonText, r.buttonText);
        palette.setColor(group, QPalette::Highlight, r.highlight);
        palette.setColor(group, QPalette::HighlightedText, r.highlightedText);
        palette.setColor(group, QPalette::Link, r.link);
        palette.setColor(group, QPalette::ToolTipBase, r.toolTipBase);
        palette.setColor(group, QPalette::ToolTipText, r.toolTipText);
        palette.setColor(group, QPalette::PlaceholderText, r.placeholder);
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Light, r.light);
        palette.setColor(group, QPalette::Midlight, r.light);
        palette.setColor(group, QPalette::Mid, r.mid);
        palette.setColor(group, QPalette::Dark, r.dark);
        palette.setColor(group, QPalette::Shadow, r.shadow);
    }
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, r.disabledText);
    palette.setColor(QPalette::Inactive, QPalette::Highlight, r.highlight.lighter(110));
    return palette;
}

} // namespace

Theme::Theme(QObject *parent)
    : QObject(parent)
    , m_style(new MotionStyle(QStyleFactory::create(QStringLiteral("Fusion"))))
{
    QApplication::setStyle(m_style);  // the application owns it from here
    m_system = QApplication::palette();
    // A desktop without the portal tells the application by a new palette instead.
    qApp->installEventFilter(this);
}

void Theme::followDesktop(DesktopAppearance *desktop)
{
    if (m_desktop)
        QObject::disconnect(m_desktop.data(), nullptr, this, nullptr);
    m_desktop = desktop;
    if (!desktop)
        return;
    QObject::connect(desktop, &DesktopAppearance::schemeChanged, this, &Theme::desktopSchemeChanged);
    QObject::connect(desktop, &DesktopAppearance::reduceMotionChanged, this,
                     [this] { setReduceMotion(m_desktop && m_desktop->reduceMotion().value_or(false)); });
    setReduceMotion(desktop->reduceMotion().value_or(false));
    desktopSchemeChanged();
}

bool Theme::reduceMotion() const
{
    return m_style && m_style->reduce;
}

void Theme::setReduceMotion(bool reduce)
{
    if (!m_style || m_style->reduce == reduce)
        return;
    m_style->reduce = reduce;
    Q_EMIT changed();
}

void Theme::desktopSchemeChanged()
{
    if (m_preference == AppearancePreference::system)
        apply(AppearancePreference::system);
}

bool Theme::eventFilter(QObject *watched, QEvent *event)
{
    // The platform replaced the application palette (a desktop switching light and dark
    // without the portal): in "system" that is the palette to show and to come back to.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !m_settingPalette) {
        const bool byScheme = m_desktop && m_desktop->scheme().value_or(DesktopAppearance::Scheme::noPreference)
            != DesktopAppearance::Scheme::noPreference;
        if (m_preference == AppearancePreference::system && !byScheme) {
            m_system = QApplication::palette();
            QPixmapCache::clear();
            Q_EMIT changed();
        }
    }
    return QObject::eventFilter(watched, event);
}

void Theme::setPalette(const QPalette &palette)
{
    m_settingPalette = true;
    QApplication::setPalette(palette);
    m_settingPalette = false;
}

bool Theme::isDarkPalette(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

bool Theme::isDark() const
{
    return isDarkPalette(QApplication::palette());
}

QPalette Theme::lightPalette()
{
    Roles r;
    r.window = QColor(0xf3, 0xf4, 0xf7);
    r.windowText = QColor(0x1d, 0x1d, 0x1f);
    r.base = QColor(0xff, 0xff, 0xff);
    r.alternateBase = QColor(0xf0, 0xf1, 0xf5);
    r.text = r.windowText;
    r.button = QColor(0xfb, 0xfb, 0xfd);
    r.buttonText = r.windowText;
    r.highlight = QColor(0x2f, 0x6f, 0xeb);
    r.highlightedText = Qt::white;
    r.link = QColor(0x1f, 0x5f, 0xd6);
    r.toolTipBase = QColor(0xff, 0xff, 0xf2);
    r.toolTipText = r.windowText;
    r.placeholder = QColor(0x8a, 0x8a, 0x90);
    r.light = Qt::white;
    r.mid = QColor(0xc8, 0xc9, 0xcf);
    r.dark = QColor(0x9a, 0x9b, 0xa3);
    r.shadow = QColor(0x60, 0x60, 0x68);
    r.disabledText = QColor(0xa0, 0xa0, 0xa6);
    return build(r);
}

QPalette Theme::darkPalette()
{
    Roles r;
    r.window = QColor(0x1e, 0x1f, 0x24);
    r.windowText = QColor(0xec, 0xec, 0xf0);
    r.base = QColor(0x16, 0x17, 0x1b);
    r.alternateBase = QColor(0x26, 0x27, 0x2e);
    r.text = r.windowText;
    r.button = QColor(0x2b, 0x2c, 0x33);
    r.buttonText = r.windowText;
    r.highlight = QColor(0x3d, 0x7b, 0xf5);
    r.highlightedText = Qt::white;
    r.link = QColor(0x6c, 0x9d, 0xff);
    r.toolTipBase = QColor(0x2b, 0x2c, 0x33);
    r.toolTipText = r.windowText;
    r.placeholder = QColor(0x80, 0x81, 0x8a);
    r.light = QColor(0x3a, 0x3b, 0x44);
    r.mid = QColor(0x3f, 0x40, 0x48);
    r.dark = QColor(0x10, 0x10, 0x14);
    r.shadow = Qt::black;
    r.disabledText = QColor(0x6b, 0x6c, 0x74);
    return build(r);
}

void Theme::apply(AppearancePreference preference)
{
    m_preference = preference;
    const auto scheme = m_desktop ? m_desktop->scheme() : std::nullopt;
    switch (preference) {
    case AppearancePreference::system:
        if (scheme == DesktopAppearance::Scheme::dark)
            setPalette(darkPalette());
        else if (scheme == DesktopAppearance::Scheme::light)
            setPalette(lightPalette());
        else
            setPalette(m_system);
        break;
    case AppearancePreference::light: setPalette(lightPalette()); break;
    case AppearancePreference::dark: setPalette(darkPalette()); break;
    }
    // Recoloured icons are cached as pixmaps keyed by size and mode, not by colour.
    QPixmapCache::clear();
    Q_EMIT changed();
}
