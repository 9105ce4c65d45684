#include "support/simulatedtvs.h"

#include "support/find.h"
#include "support/wait.h"

#include "core/devicestore.h"
#include "core/tvsession.h"

QHostAddress testAddress(int subnet, int last)
{
    return QHostAddress(QStringLiteral("127.0.%1.%2").arg(subnet).arg(last));
}

SimulatedTV::Options tvOptions(const QHostAddress &address)
{
    SimulatedTV::Options options;
    options.address = address;
    options.approveDelayMs = 20;
    return options;
}

TestTV::TestTV(const Options &options)
    : SimulatedTV(options)
{
    if (!start())
        failAndStop("simulated TV at " + host().toUtf8() + ": " + errorString().toUtf8(), __FILE__, __LINE__);
}

TVSession::Timing quickTiming()
{
    TVSession::Timing timing;
    timing.wakeFirstWait = 50ms;
    timing.wakeBetweenAttempts = 50ms;
    timing.wakePoll = 20ms;
    timing.ensurePoll = 10ms;
    timing.scanWindow = 1000ms;
    timing.helloTimeout = 1500ms;
    return timing;
}

bool pair(TVSession &session, DeviceStore &store, const SimulatedTV &tv, std::chrono::milliseconds limit)
{
    session.connect(store.upsert(tv.host()).id);
    return waitFor([&] {
        return session.state().is(ConnectionState::Kind::ready) && session.pointer() && session.pointer()->isOpen()
            && session.apps().size() == tv.apps().size() && session.inputs().size() == tv.inputs().size();
    }, limit);
}
