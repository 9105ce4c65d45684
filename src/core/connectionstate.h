#pragma once

#include <QMetaType>
#include <QString>

// Where the session's connection stands. `pin` is meaningful for awaitingApproval only,
// `text` for error only.
class ConnectionState {
public:
    enum class Kind { offline, connecting, awaitingApproval, ready, waking, sleeping, error };

    ConnectionState() = default;
    static ConnectionState offline() { return ConnectionState(Kind::offline); }
    static ConnectionState connecting() { return ConnectionState(Kind::connecting); }
    static ConnectionState awaitingApproval(bool pin) { return ConnectionState(Kind::awaitingApproval, pin); }
    static ConnectionState ready() { return ConnectionState(Kind::ready); }
    static ConnectionState waking() { return ConnectionState(Kind::waking); }
    static ConnectionState sleeping() { return ConnectionState(Kind::sleeping); }
    static ConnectionState error(const QString &text) { return ConnectionState(Kind::error, false, text); }

    Kind kind() const { return m_kind; }
    bool pin() const { return m_pin; }
    QString text() const { return m_text; }
    bool is(Kind kind) const { return m_kind == kind; }

    // Short name for logs and tests: "offline", "awaitingApproval(pin)", "error(...)", ...
    QString debugName() const;

    // The state as every screen and the self-test name it to the user.
    QString title() const;
    // The same, except "待机" whenever the session is in standby.
    QString title(bool standby) const;

    bool operator==(const ConnectionState &) const = default;

private:
    explicit ConnectionState(Kind kind, bool pin = false, const QString &text = QString())
        : m_kind(kind), m_pin(pin), m_text(text) {}

    Kind m_kind = Kind::offline;
    bool m_pin = false;
    QString m_text;
};

Q_DECLARE_METATYPE(ConnectionState)
