#pragma once

// A sleep monitor the test drives by hand: it is available or not as told, and its lock is a
// flag that records how often it was taken and let go.

#include "platform/sleepmonitor.h"

class FakeSleepMonitor : public SleepMonitor {
public:
    explicit FakeSleepMonitor(bool available = true)
        : m_available(available)
    {
    }

    bool isAvailable() const override { return m_available; }
    void takeLock(const QString &) override
    {
        if (m_held)
            return;
        m_held = true;
        ++taken;
        Q_EMIT lockChanged(true);
    }
    void releaseLock() override
    {
        if (!m_held)
            return;
        m_held = false;
        ++released;
        Q_EMIT lockChanged(false);
    }
    bool holdsLock() const override { return m_held; }

    void setAvailable(bool available)
    {
        m_available = available;
        Q_EMIT availableChanged(available);
    }

    int taken = 0;
    int released = 0;

private:
    bool m_available;
    bool m_held = false;
};
