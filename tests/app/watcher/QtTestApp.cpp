#include "tests/app/watcher/QtTestApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace dustlyn::testing {

QCoreApplication& qtTestApp() {
    static int argc = 1;
    static char name[] = "dustlyn_model_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool spinEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    qtTestApp();
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    check.start(std::chrono::milliseconds(5));
    loop.exec();
    return done();
}

void spinEventsFor(std::chrono::milliseconds duration) {
    qtTestApp();
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace dustlyn::testing
