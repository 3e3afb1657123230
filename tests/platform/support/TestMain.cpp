// The desktop tests run in the UI tests' application (tests/app/support), made before the
// first test on the X server that scripts/with-desktop starts for each test; listing the
// tests needs neither.
#include "tests/app/support/UiTestApp.h"

#include <gtest/gtest.h>

namespace {

class QtApplication : public ::testing::Environment {
    void SetUp() override { dustlyn::testing::uiTestApp(); }
};

const auto* const application = ::testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
