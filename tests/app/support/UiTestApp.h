#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

class QApplication;

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace dustlyn::testing {

// The test process's QApplication, created on first use (the platform comes from
// QT_QPA_PLATFORM, offscreen under ctest), so listing the tests needs no display.
QApplication& uiTestApp();

// Runs the event loop until `done` holds or `timeout` has passed (an upper bound, not a
// wait for timing); returns done() at the end.
bool spinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Names each case of a parameterized test by its table row's `name`.
struct RowName {
    template <class Info> std::string operator()(const Info& row) const { return row.param.name; }
};

} // namespace dustlyn::testing
