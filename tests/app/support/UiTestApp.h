#pragma once

#include <chrono>
#include <functional>

class QApplication;

namespace dustlyn::testing {

// The test process's QApplication, created on first use (the platform comes from
// QT_QPA_PLATFORM, offscreen under ctest), so listing the tests needs no display.
QApplication& uiTestApp();

// Runs the event loop until `done` holds or `timeout` has passed (an upper bound, not a
// wait for timing); returns done() at the end.
bool spinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace dustlyn::testing
