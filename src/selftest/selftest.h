#pragma once

#include "core/postregistrationhook.h"
#include "selftest/selftestscript.h"
#include "core/settings.h"

#include <QString>

class TVSession;

// Runs the scripted self-test at most once per process (per object: the application owns
// the one instance) the first time a TV registers while the "autotest" setting holds a text.
// "power" runs the power script, "full" the full script, any other text the basic one.
class SelfTest : public PostRegistrationHook {
public:
    explicit SelfTest(const Settings &settings, const SelfTestScript::Timing &timing = {});

    bool hasRun() const { return m_hasRun; }

    // Reads "autotest" and runs the script it names, unless it has run already.
    QCoro::Task<> afterRegistration(TVSession *session) override;
    // Runs the script for `mode`, unless one has run already.
    QCoro::Task<> run(TVSession *session, const QString &mode);

private:
    Settings m_settings;
    SelfTestScript::Timing m_timing;
    bool m_hasRun = false;
};
