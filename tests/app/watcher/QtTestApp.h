#pragma once

#include <chrono>
#include <functional>

class QCoreApplication;

namespace dustlyn::testing {

// The test process's QCoreApplication, created on first use: queued calls and timers need
// one, and the test binary's main() comes from GoogleTest.
QCoreApplication& qtTestApp();

// Runs the event loop until `done` holds or `timeout` has passed (an upper bound, not a
// wait for timing); returns done() at the end.
bool spinEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Runs the event loop for `duration`, for tests that check that nothing arrives.
void spinEventsFor(std::chrono::milliseconds duration);

} // namespace dustlyn::testing
