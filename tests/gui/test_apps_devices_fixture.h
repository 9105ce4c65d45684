#pragma once

// The widget fixture plus what the devices and apps tests share: shorter wake timings, TVs
// with chosen options, waits on the session state, and showing a page with settled layouts.

#include "gui/guifixture.h"

#include <QLabel>

struct PageFixture : GuiFixture {
    PageFixture()
    {
        TVSession::Timing timing = session->timing();
        timing.wakeFirstWait = 50ms;
        timing.wakeBetweenAttempts = 50ms;
        timing.wakePoll = 20ms;
        timing.wakeAttempts = 2;
        timing.ensurePoll = 10ms;
        session->setTiming(timing);
    }

    SimulatedTV::Options options(int last) const
    {
        SimulatedTV::Options options;
        options.address = address(last);
        options.approveDelayMs = 20;
        options.uuid = QStringLiteral("uuid-page-%1").arg(last);
        return options;
    }

    // Saved (not selected, not connected).
    QString addTV(const SimulatedTV &tv) { return store->upsert(tv.host()).id; }

    bool waitFor(ConnectionState::Kind kind, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return session->state().is(kind); }, ms);
    }

    // Paired and the app list loaded.
    bool pairWithApps(SimulatedTV &tv)
    {
        return pair(tv) && QTest::qWaitFor([&] { return !session->apps().isEmpty(); }, 5000);
    }
};

template <typename T>
T *child(QObject *root, const QString &name)
{
    T *found = root->findChild<T *>(name);
    if (!found)
        qWarning("no child named %s", qPrintable(name));
    return found;
}

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
