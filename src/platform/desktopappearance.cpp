#include "platform/desktopappearance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");
const QString kReducedMotion = QStringLiteral("reduced-motion");
// GNOME publishes its own switch through the same portal.
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kEnableAnimations = QStringLiteral("enable-animations");

} // namespace

PortalAppearance::PortalAppearance(QObject *parent)
    : PortalAppearance(QDBusConnection::sessionBus(), parent)
{
}

PortalAppearance::PortalAppearance(const QDBusConnection &bus, QObject *parent)
    : DesktopAppearance(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // The slot's argument type is looked up by name when connecting: unregistered, the first
    // connection in a process silently never fires.
    qRegisterMetaType<QDBusVariant>();
    // QDBusConnection offers only the slot-by-name form for bus signals. No sender filter:
    // with the portal's well-known name Qt first looks up its owner, and a change announced
    // before that answer arrives would be dropped.
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    read(kAppearance, kColorScheme);
    read(kAppearance, kReducedMotion);
    read(kGnomeInterface, kEnableAnimations);
}

std::optional<bool> PortalAppearance::reduceMotion() const
{
    if (m_reducedMotion)
        return m_reducedMotion;
    if (m_animationsEnabled)
        return !*m_animationsEnabled;
    return std::nullopt;
}

QVariant PortalAppearance::unwrap(const QVariant &value)
{
    QVariant inner = value;
    while (inner.metaType() == QMetaType::fromType<QDBusVariant>())
        inner = inner.value<QDBusVariant>().variant();
    return inner;
}

std::optional<DesktopAppearance::Scheme> PortalAppearance::schemeFrom(const QVariant &value)
{
    const QVariant inner = unwrap(value);
    bool ok = false;
    const uint number = inner.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    switch (number) {
    case 1: return Scheme::dark;
    case 2: return Scheme::light;
    default: return Scheme::noPreference;  // 0, and values newer than this code
    }
}

void PortalAppearance::read(const QString &group, const QString &key, bool legacy)
{
    // ReadOne came with version 2 of the interface; older portals only have Read.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       legacy ? QStringLiteral("Read") : QStringLiteral("ReadOne"));
    call << group << key;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, this,
                     [this, group, key, legacy](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<QDBusVariant> reply = *finished;
                         if (!reply.isError()) {
                             take(group, key, reply.value().variant());
                         } else if (!legacy && reply.error().type() == QDBusError::UnknownMethod) {
                             read(group, key, true);
                         }
                         // Anything else (no portal, a key it does not publish): stays unknown.
                     });
}

void PortalAppearance::onSettingChanged(const QString &group, const QString &key, const QDBusVariant &value)
{
    take(group, key, value.variant());
}

void PortalAppearance::take(const QString &group, const QString &key, const QVariant &value)
{
    const QVariant inner = unwrap(value);
    if (group == kAppearance && key == kColorScheme) {
        const std::optional<Scheme> scheme = schemeFrom(inner);
        if (scheme && scheme != m_scheme) {
            m_scheme = scheme;
            Q_EMIT schemeChanged();
        }
        return;
    }
    const std::optional<bool> before = reduceMotion();
    if (group == kAppearance && key == kReducedMotion) {
        bool ok = false;
        const uint number = inner.toUInt(&ok);
        if (ok)
            m_reducedMotion = number == 1;
    } else if (group == kGnomeInterface && key == kEnableAnimations && inner.metaType() == QMetaType::fromType<bool>()) {
        m_animationsEnabled = inner.toBool();
    }
    if (reduceMotion() != before)
        Q_EMIT reduceMotionChanged();
}
