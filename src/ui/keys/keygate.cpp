#include "ui/keys/keygate.h"

KeyGate::KeyGate(Clock clock)
    : m_clock(std::move(clock))
{
}

bool KeyGate::allow(const QString &key)
{
    const auto now = m_clock();
    const auto previous = m_at.constFind(key);
    const bool allowed = previous == m_at.constEnd() || now - *previous >= window;
    m_at.insert(key, now);
    return allowed;
}
