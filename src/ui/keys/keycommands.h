#pragma once

#include <QString>

class TVSession;

// What the key map does to the TV; the session carries it out, tests record it.
class KeyCommands {
public:
    virtual ~KeyCommands() = default;
    virtual void button(const QString &name) = 0;
    virtual void volumeUp() = 0;
    virtual void volumeDown() = 0;
    virtual bool muted() const = 0;
    virtual void setMute(bool mute) = 0;
};

// Starts each command as a session task on the main thread and returns at once; the session's
// commands log their own failures.
class SessionKeyCommands : public KeyCommands {
public:
    explicit SessionKeyCommands(TVSession *session) : m_session(session) {}

    void button(const QString &name) override;
    void volumeUp() override;
    void volumeDown() override;
    bool muted() const override;
    void setMute(bool mute) override;

private:
    TVSession *m_session;
};
