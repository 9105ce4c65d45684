#pragma once

// Simulated TVs for tests: each test program takes a third octet of its own (127.0.N.x), so
// TVs of different tests never meet even outside their network namespaces.
//
//   TestTV tv(tvOptions(testAddress(13, 2)));
//   QVERIFY(pair(session, store, tv));

#include "core/tvsession.h"
#include "tvsim/lib/simulatedtv.h"

#include <chrono>
#include <memory>


QHostAddress testAddress(int subnet, int last);

// A TV at `address` that approves a pairing prompt after 20 ms.
SimulatedTV::Options tvOptions(const QHostAddress &address);

// A simulated TV that is listening once constructed; if it cannot listen the test fails with
// the reason and stops.
class TestTV : public SimulatedTV {
public:
    explicit TestTV(const Options &options);
};

// Session timings for tests: wake-ups, ready waits, scans and hellos in tens of milliseconds
// instead of seconds, so a TV that never answers fails a test quickly.
TVSession::Timing quickTiming();

// Saves the TV (unless saved), connects, and waits until the session is ready with the pointer
// open and the TV's app and input lists loaded: the state tests start from.
bool pair(TVSession &session, DeviceStore &store, const SimulatedTV &tv,
          std::chrono::milliseconds limit = std::chrono::seconds(5));
