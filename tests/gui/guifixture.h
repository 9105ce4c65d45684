#pragma once

// Shared set-up for widget tests: the production wiring (services and window kit) over the
// test's own settings and log, with short timings, and simulated TVs on this test's own
// loopback addresses (127.0.<subnet>.x).
//
//   GuiFixture f;                      // UiContext in f.ctx, nothing connected
//   auto tv = f.pairedTV(2);           // 127.0.40.2:3001: saved, selected, paired, lists loaded
//   auto window = f.makeWindow();      // the real MainWindow on f.ctx
//   auto *picker = find<QToolButton>(window.get(), "devicePicker");

#include "app/appservices.h"
#include "core/devicestore.h"
#include "core/tvsession.h"
#include "mcp/mcpserver.h"
#include "platform/fakesleepmonitor.h"
#include "support/find.h"
#include "support/simulatedtvs.h"
#include "support/testenv.h"
#include "support/wait.h"
#include "ui/keys/shortcutnotifier.h"
#include "ui/shell/actions.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/uikit.h"
#include "ui/theme/icons.h"
#include "ui/theme/theme.h"

#include <QApplication>
#include <QSignalSpy>
#include <QWindow>

#include <memory>

struct GuiFixture {
    TestEnv env;
    const QString settingsFile = env.settingsFile();
    const int subnet;
    std::unique_ptr<AppServices> services;
    DeviceStore *store;
    TVSession *session;
    MCPServer *mcp;
    std::unique_ptr<UiKit> kit;
    UiContext &ctx;

    explicit GuiFixture(int subnet = 40)
        : subnet(subnet)
        , services(std::make_unique<AppServices>(
              AppServices::Options{settingsFile, {}, nullptr, std::make_unique<FakeSleepMonitor>()}))
        , store(services->store())
        , session(services->session())
        , mcp(services->mcp())
        , kit(std::make_unique<UiKit>(session, store, mcp, Settings(settingsFile)))
        , ctx(kit->context())
    {
        TVSession::Timing timing = quickTiming();
        timing.scanWindow = 300ms;
        timing.wakeAttempts = 2;
        session->setTiming(timing);
    }

    ~GuiFixture()
    {
        // Windows first, then the kit they use, then the services.
        QApplication::closeAllWindows();
        kit.reset();
        services.reset();
        settle();  // queued resumptions of closed clients
    }

    QHostAddress address(int last) const { return testAddress(subnet, last); }

    // Approves a pairing prompt after 20 ms.
    SimulatedTV::Options options(int last) const { return tvOptions(address(last)); }

    // Approves a pairing prompt at once.
    std::unique_ptr<TestTV> startTV(int last, const QString &name = QStringLiteral("LG webOS TV")) const
    {
        SimulatedTV::Options tv = options(last);
        tv.approveDelayMs = 0;
        tv.friendlyName = name;
        return std::make_unique<TestTV>(tv);
    }

    // Saved (not selected, not connected).
    QString addTV(const SimulatedTV &tv) { return store->upsert(tv.host()).id; }

    bool pair(SimulatedTV &tv) { return ::pair(*session, *store, tv); }

    // Started and paired, or the test fails and stops.
    std::unique_ptr<TestTV> pairedTV(int last, const QString &name = QStringLiteral("LG webOS TV"))
    {
        auto tv = startTV(last, name);
        if (!pair(*tv))
            failAndStop("no pairing with the simulated TV at " + tv->host().toUtf8(), __FILE__, __LINE__);
        return tv;
    }

    bool waitFor(ConnectionState::Kind kind, std::chrono::milliseconds limit = 5s)
    {
        return ::waitFor([&] { return session->state().is(kind); }, limit);
    }

    // Shown, active and laid out at its default size.
    std::unique_ptr<MainWindow> makeWindow(bool show = true)
    {
        auto window = std::make_unique<MainWindow>(ctx);
        if (show) {
            window->show();
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window.get()))
                qWarning("main window did not become active");
        }
        return window;
    }

    QStringList logLines() const { return env.logLines(); }
};

// Shown at the size the page gets in the smallest window, with its layouts settled.
inline bool showPage(QWidget &page)
{
    page.resize(800, 560);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return false;
    QCoreApplication::processEvents();
    return true;
}

// A key press as the window system delivers it: to the window first.
inline void pressKey(QWidget *window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

// Names of the buttons the simulated TV received on its pointer socket, in order.
inline QStringList pointerButtons(const SimulatedTV &tv)
{
    QStringList names;
    for (const QString &frame : tv.pointerFrames()) {
        if (!frame.startsWith(QLatin1String("type:button")))
            continue;
        for (const QString &line : frame.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("name:")))
                names.append(line.mid(5));
        }
    }
    return names;
}
