// The appearance portal reader against a fake portal on a session bus of the test's own: the
// current and the older interface, live changes, and a desktop without the portal.

#include "logindsim/privatebus.h"
#include "platform/desktopappearance.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");

QDBusConnection busConnection(const PrivateBus &bus, const QString &name)
{
    return QDBusConnection::connectToBus(bus.address(), name);
}

// The portal's settings: values by group and key, read back the way the portal answers.
class FakeSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QHash<QString, QVariant> values;  // "group key" -> value

protected:
    QVariant lookup(const QString &group, const QString &key)
    {
        const QString name = group + QLatin1Char(' ') + key;
        if (!values.contains(name)) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), QStringLiteral("not found"));
            return {};
        }
        return values.value(name);
    }
};

class CurrentPortal : public FakeSettings {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public Q_SLOTS:
    QDBusVariant ReadOne(const QString &group, const QString &key) { return QDBusVariant(lookup(group, key)); }
};

// Before ReadOne: Read only, and its value wrapped in one more variant.
class OlderPortal : public FakeSettings {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public Q_SLOTS:
    QDBusVariant Read(const QString &group, const QString &key)
    {
        return QDBusVariant(QVariant::fromValue(QDBusVariant(lookup(group, key))));
    }
};

void announce(QDBusConnection &bus, const QString &group, const QString &key, const QVariant &value)
{
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("SettingChanged"));
    signal << group << key << QVariant::fromValue(QDBusVariant(value));
    QVERIFY(bus.send(signal));
}

} // namespace

class TestDesktopAppearance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followsThePortal_data()
    {
        QTest::addColumn<bool>("older");
        QTest::newRow("ReadOne") << false;
        QTest::newRow("Read only") << true;
    }

    void followsThePortal()
    {
        QFETCH(bool, older);
        using Scheme = DesktopAppearance::Scheme;
        PrivateBus bus;
        QVERIFY(bus.start());
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QDBusConnection portalBus = busConnection(bus, QStringLiteral("portal ") + tag);
        QVERIFY(portalBus.isConnected());
        std::unique_ptr<FakeSettings> portal;
        if (older)
            portal = std::make_unique<OlderPortal>();
        else
            portal = std::make_unique<CurrentPortal>();
        portal->values.insert(kAppearance + QStringLiteral(" color-scheme"), QVariant::fromValue(uint(1)));
        portal->values.insert(QStringLiteral("org.gnome.desktop.interface enable-animations"), true);
        QVERIFY(portalBus.registerObject(kPath, portal.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(portalBus.registerService(kService));

        PortalAppearance appearance(busConnection(bus, QStringLiteral("reader ") + tag));
        QSignalSpy schemes(&appearance, &DesktopAppearance::schemeChanged);
        QSignalSpy motion(&appearance, &DesktopAppearance::reduceMotionChanged);
        QTRY_COMPARE(appearance.scheme(), Scheme::dark);
        QTRY_COMPARE(appearance.reduceMotion(), false);

        announce(portalBus, kAppearance, QStringLiteral("color-scheme"), QVariant::fromValue(uint(2)));
        QTRY_COMPARE(appearance.scheme(), Scheme::light);
        announce(portalBus, kAppearance, QStringLiteral("color-scheme"), QVariant::fromValue(uint(0)));
        QTRY_COMPARE(appearance.scheme(), Scheme::noPreference);
        QCOMPARE(schemes.size(), 3);

        // GNOME's switch, then the portal's own key, which wins over it.
        announce(portalBus, QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), false);
        QTRY_COMPARE(appearance.reduceMotion(), true);
        announce(portalBus, kAppearance, QStringLiteral("reduced-motion"), QVariant::fromValue(uint(0)));
        QTRY_COMPARE(appearance.reduceMotion(), false);
        // Other settings and values of the wrong type change nothing.
        announce(portalBus, QStringLiteral("org.example"), QStringLiteral("color-scheme"), QVariant::fromValue(uint(1)));
        announce(portalBus, kAppearance, QStringLiteral("color-scheme"), QStringLiteral("dark"));
        QTest::qWait(100);
        QCOMPARE(appearance.scheme(), Scheme::noPreference);
        QCOMPARE(motion.size(), 3);

        QDBusConnection::disconnectFromBus(QStringLiteral("portal ") + tag);
        QDBusConnection::disconnectFromBus(QStringLiteral("reader ") + tag);
    }

    void noPortalLeavesItUnknown()
    {
        PrivateBus bus;
        QVERIFY(bus.start());
        PortalAppearance appearance(busConnection(bus, QStringLiteral("lonely reader")));
        QTest::qWait(300);  // every read has been refused by now
        QCOMPARE(appearance.scheme(), std::nullopt);
        QCOMPARE(appearance.reduceMotion(), std::nullopt);
        QDBusConnection::disconnectFromBus(QStringLiteral("lonely reader"));

        // No session bus at all.
        PortalAppearance nowhere(QDBusConnection(QStringLiteral("never connected")));
        QCOMPARE(nowhere.scheme(), std::nullopt);
    }

    void unwrapsNestedValues()
    {
        const QVariant twice = QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(uint(2)))));
        QCOMPARE(PortalAppearance::schemeFrom(twice), DesktopAppearance::Scheme::light);
        QCOMPARE(PortalAppearance::schemeFrom(QVariant::fromValue(uint(7))), DesktopAppearance::Scheme::noPreference);
        QCOMPARE(PortalAppearance::schemeFrom(QStringLiteral("dark")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestDesktopAppearance)
#include "test_desktopappearance.moc"
