// The programs the desktop benchmarks measure against; see DesktopBench.cpp and
// bench/app/AppBench.cpp.

#include "app/instance/Environment.h"
#include "app/platform/Platform.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int stopPipe[2] = {-1, -1};

void onStop(int) {
    const char byte = 1;
    (void)!::write(stopPipe[1], &byte, 1);
}

QIcon trayPicture() {
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkGray);
    return QIcon(pixmap);
}

} // namespace

int runChild(int argc, char** argv, const std::string& kind) {
    QApplication app(argc, argv);
    // SIGTERM ends the event loop so the program can say what it saw.
    if (::pipe(stopPipe) != 0)
        return 1;
    std::signal(SIGTERM, onStop);
    QSocketNotifier stop(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    long pointerEvents = 0;
    QSystemTrayIcon bareTray(trayPicture());
    std::optional<dustlyn::Platform> platform;
    // "window": a bare program with a window, for start-up times; "panel": one that also
    // shows a translucent 720 x 560 window with a line of text, as the notch's panel is.
    QLabel window(QStringLiteral("12 files leaving soon"));
    if (kind == "bare" || kind == "window" || kind == "panel") {
        bareTray.show();
        if (kind == "window") {
            window.resize(320, 120);
            window.show();
        } else if (kind == "panel") {
            window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
            window.setAttribute(Qt::WA_TranslucentBackground);
            window.setStyleSheet(QStringLiteral("color: white; font-weight: 600"));
            window.setAlignment(Qt::AlignTop | Qt::AlignHCenter);
            window.resize(720, 560);
            window.show();
        }
    } else {
        platform = dustlyn::Platform::forSession(dustlyn::Environment::fromProcess());
        platform->tray->show(trayPicture(), "Dustlyn", {{"Quit Dustlyn", "Ctrl+Q", [] {}}});
        platform->hotKey->registerHotKey();
        platform->input->onPointerEvent = [&](dustlyn::PointerEventType, bool) {
            ++pointerEvents;
            (void)platform->input->pointerPosition();
            (void)platform->drag->changeCount();
        };
    }
    // Standard error: the driver's output file is there (see ChildProcess).
    std::fprintf(stderr, "ready\n");
    const int status = app.exec();
    std::fprintf(stderr, "%ld pointer events taken\n", pointerEvents);
    return status;
}
