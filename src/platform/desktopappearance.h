#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariant>

#include <optional>

class QDBusVariant;

// What the desktop publishes about its look: the light or dark preference and whether the
// user asked for less animation. Either may be unknown (not published, or not yet read).
class DesktopAppearance : public QObject {
    Q_OBJECT

public:
    // The portal's values 0, 1 and 2 of "color-scheme".
    enum class Scheme { noPreference, dark, light };

    using QObject::QObject;

    virtual std::optional<Scheme> scheme() const = 0;
    virtual std::optional<bool> reduceMotion() const = 0;

Q_SIGNALS:
    void schemeChanged();
    void reduceMotionChanged();
};

// The freedesktop settings portal (org.freedesktop.portal.Settings) on a session bus: reads
// "color-scheme" and the reduce-animation settings once, without waiting on the caller's
// thread, then follows SettingChanged. Where no portal answers, everything stays unknown.
class PortalAppearance : public DesktopAppearance {
    Q_OBJECT

public:
    // The session bus.
    explicit PortalAppearance(QObject *parent = nullptr);
    PortalAppearance(const QDBusConnection &bus, QObject *parent = nullptr);

    std::optional<Scheme> scheme() const override { return m_scheme; }
    std::optional<bool> reduceMotion() const override;

    // A portal value as the portal sends it: Read() wraps it in one more variant than
    // ReadOne() and SettingChanged do.
    static QVariant unwrap(const QVariant &value);
    static std::optional<Scheme> schemeFrom(const QVariant &value);

private Q_SLOTS:
    void onSettingChanged(const QString &group, const QString &key, const QDBusVariant &value);

private:
    void read(const QString &group, const QString &key, bool legacy = false);
    void take(const QString &group, const QString &key, const QVariant &value);

    QDBusConnection m_bus;
    std::optional<Scheme> m_scheme;
    std::optional<bool> m_reducedMotion;     // org.freedesktop.appearance "reduced-motion"
    std::optional<bool> m_animationsEnabled; // GNOME's "enable-animations"
};
