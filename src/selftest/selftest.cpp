#include "selftest/selftest.h"

#include "core/tvsession.h"

namespace {

QCoro::Task<> nothing()
{
    co_return;
}

// The script lives in this frame, apart from the SelfTest object that started it.
QCoro::Task<> runScript(QPointer<TVSession> session, QString mode, SelfTestScript::Timing timing)
{
    SelfTestScript script(session, timing);
    if (mode == QLatin1String("power"))
        co_await script.runPower();
    else
        co_await script.runGeneral(mode == QLatin1String("full"));
}

} // namespace

SelfTest::SelfTest(const Settings &settings, const SelfTestScript::Timing &timing)
    : m_settings(settings)
    , m_timing(timing)
{
}

QCoro::Task<> SelfTest::afterRegistration(TVSession *session)
{
    if (m_hasRun)
        return nothing();  // no need to read the setting again
    const std::optional<QString> mode = m_settings.autotest();
    if (!mode)
        return nothing();
    return run(session, *mode);
}

QCoro::Task<> SelfTest::run(TVSession *session, const QString &mode)
{
    // Not a coroutine itself: the flag is set before anything is awaited, and nothing touches
    // this object once the script is running.
    if (m_hasRun)
        return nothing();
    m_hasRun = true;
    return runScript(session, mode, m_timing);
}
