#include "tests/app/support/UiTestApp.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace dustlyn::testing {

namespace {

std::unique_ptr<QApplication>& theApp() {
    static std::unique_ptr<QApplication> app;
    return app;
}

} // namespace

QApplication& uiTestApp() {
    static int argc = 1;
    static char name[] = "dustlyn_ui_tests";
    static char* argv[] = {name, nullptr};
    if (!theApp())
        theApp() = std::make_unique<QApplication>(argc, argv);
    return *theApp();
}

bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    uiTestApp();
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    check.start(std::chrono::milliseconds(2));
    loop.exec();
    return done();
}

} // namespace dustlyn::testing

// The application goes before the program's static objects do: Qt's icon loader and
// font database are among them, and the application still uses them while it closes.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    dustlyn::testing::theApp().reset();
    return result;
}
