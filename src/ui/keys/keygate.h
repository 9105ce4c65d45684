#pragma once

#include <QHash>
#include <QString>

#include <chrono>
#include <functional>

// Debounce for the toggling keys: an attempt is refused when the previous attempt for the same
// key was less than a second ago. Every attempt, refused or not, restarts that second, so a
// held key (auto-repeat) acts once until it has been released for a second.
class KeyGate {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit KeyGate(Clock clock = &std::chrono::steady_clock::now);

    bool allow(const QString &key);

    static constexpr std::chrono::milliseconds window{1000};

private:
    Clock m_clock;
    QHash<QString, std::chrono::steady_clock::time_point> m_at;
};
