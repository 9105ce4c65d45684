#pragma once

// Shared set-up for widget tests: a private settings file and log, the session, store and MCP
// server over them, the theme kit, and simulated TVs on this test's own loopback addresses.
//
//   GuiFixture f;                      // UiContext in f.ctx, nothing connected
//   auto tv = f.startTV(2);            // 127.0.40.2:3001
//   QVERIFY(f.pair(*tv));              // saved, selected, paired, pointer open
//   auto window = f.makeWindow();      // the real MainWindow on f.ctx
//   GUI_FIND(QToolButton, picker, window.get(), "devicePicker");

#include "ui/shell/actions.h"
#include "core/devicestore.h"
#include "ui/theme/icons.h"
#include "log/log.h"
#include "ui/shell/mainwindow.h"
#include "mcp/mcpserver.h"
#include "mcp/mcptools.h"
#include "mcp/mcptoolsadapter.h"
#include "core/settings.h"
#include "ui/keys/shortcutnotifier.h"
#include "tvsim/lib/simulatedtv.h"
#include "ui/theme/theme.h"
#include "core/tvsession.h"
#include "ui/uicontext.h"

#include <QApplication>
#include <QSignalSpy>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace std::chrono_literals;

// Finds a child by object name or fails the test with the name it looked for.
#define GUI_FIND(Type, var, root, name)                                                                  \
    Type *var = (root)->findChild<Type *>(QStringLiteral(name));                                          \
    QVERIFY2(var, "no " #Type " named \"" name "\"")

struct GuiFixture {
    QTemporaryDir dir;
    QString settingsFile = dir.filePath(QStringLiteral("Veltrix.conf"));
    std::unique_ptr<DeviceStore> store;
    std::unique_ptr<TVSession> session;
    std::unique_ptr<MCPTools> tools;
    std::unique_ptr<MCPToolsAdapter> toolHost;
    std::unique_ptr<MCPServer> mcp;
    std::unique_ptr<QObject> kit = std::make_unique<QObject>();  // owns theme, icons, actions
    UiContext ctx;
    int subnet;

    explicit GuiFixture(int subnet = 40)
        : subnet(subnet)
    {
        qputenv("VELTRIX_SETTINGS_FILE", settingsFile.toLocal8Bit());
        veltrix::setLogFilePath(dir.filePath(QStringLiteral("app.log")));
        store = std::make_unique<DeviceStore>(settingsFile);
        session = std::make_unique<TVSession>(store.get());
        TVSession::Timing timing;
        timing.scanWindow = 300ms;
        timing.helloTimeout = 1500ms;
        session->setTiming(timing);
        tools = std::make_unique<MCPTools>(session.get());
        toolHost = std::make_unique<MCPToolsAdapter>(tools.get());
        mcp = std::make_unique<MCPServer>(toolHost.get());
        mcp->setSettingsFile(settingsFile);

        ctx.session = session.get();
        ctx.store = store.get();
        ctx.mcp = mcp.get();
        ctx.settings = Settings(settingsFile);
        ctx.theme = new Theme(kit.get());
        ctx.icons = new Icons(kit.get());
        ctx.shortcuts = new ShortcutNotifier(kit.get());
        ctx.actions = new Actions(session.get(), ctx.shortcuts, &std::chrono::steady_clock::now, kit.get());
    }

    ~GuiFixture()
    {
        // Windows first, then the kit they use, then the core in reverse order of creation.
        QApplication::closeAllWindows();
        kit.reset();
        mcp.reset();
        toolHost.reset();
        tools.reset();
        session.reset();
        QTest::qWait(20);  // queued resumptions of closed clients
        store.reset();
        veltrix::flushLog();
    }

    QHostAddress address(int last) const
    {
        return QHostAddress(QStringLiteral("127.0.%1.%2").arg(subnet).arg(last));
    }

    std::unique_ptr<SimulatedTV> startTV(int last, const QString &name = QStringLiteral("LG webOS TV"))
    {
        SimulatedTV::Options options;
        options.address = address(last);
        options.approveDelayMs = 0;
        options.uuid = QStringLiteral("uuid-gui-%1").arg(last);
        options.friendlyName = name;
        auto tv = std::make_unique<SimulatedTV>(options);
        if (!tv->start())
            qWarning("simulated TV at %s: %s", qPrintable(tv->host()), qPrintable(tv->errorString()));
        return tv;
    }

    // Saves, selects and pairs the TV; true once the session is ready with the pointer open.
    bool pair(SimulatedTV &tv)
    {
        const TVDevice device = store->upsert(tv.host());
        session->connect(device.id, false);
        return QTest::qWaitFor([&] { return session->state().is(ConnectionState::Kind::ready) && session->pointer()
                                            && session->pointer()->isOpen(); }, 5000);
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

    QStringList logLines()
    {
        veltrix::flushLog();
        QFile file(dir.filePath(QStringLiteral("app.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.size() > 13)
                lines.append(QString::fromUtf8(line.mid(13)));  // drop "HH:mm:ss.zzz "
        }
        return lines;
    }
};

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
