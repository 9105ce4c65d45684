#pragma once

#include <QCoro/QCoroTask>

class TVSession;

// Work the session awaits at the very end of its post-registration setup; the application
// installs the scripted self-test here, so the session knows nothing about it.
class PostRegistrationHook {
public:
    virtual ~PostRegistrationHook() = default;
    // The session may be destroyed while the returned task is suspended.
    virtual QCoro::Task<> afterRegistration(TVSession *session) = 0;
};
