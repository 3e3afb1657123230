#include "bench/settings/OpenWindow.h"

#include "app/model/AppModel.h"
#include "app/platform/NullPlatform.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

namespace dustlyn::bench {

namespace {

using Steady = std::chrono::steady_clock;

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// Notices the window's first paint and, once the event loop gets back to it (the paint
// and its flush to the window are done by then), ends `loop`.
class FirstFrame : public QObject {
public:
    FirstFrame(QWidget& window, QEventLoop& loop) : loop_(loop) { window.installEventFilter(this); }
    Steady::time_point at;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            object->removeEventFilter(this);
            QMetaObject::invokeMethod(
                this,
                [this] {
                    at = Steady::now();
                    loop_.quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QEventLoop& loop_;
    bool seen_ = false;
};

// Waits for the first frame of `window`, which has just been shown (the frame is drawn
// from the event loop, so nothing was painted yet).
Steady::time_point firstFrame(QWidget& window) {
    QEventLoop loop;
    FirstFrame frame(window, loop);
    loop.exec();
    return frame.at;
}

void report(double windowMs, double modelMs, Steady::time_point frame) {
    std::printf("platform=%s window_ms=%.2f model_ms=%.2f frame_ns=%lld\nready\n",
                QGuiApplication::platformName().toUtf8().constData(), windowMs, modelMs,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(frame.time_since_epoch())
                        .count()));
    std::fflush(stdout);
}

class OffLoginItem : public LoginItem {
public:
    void registerItem() override {}
    void unregisterItem() override {}
    bool enabled() const override { return false; }
};

} // namespace

int openWindow(const std::string& kind, const std::string& home, const std::string& pane, bool stay,
               int argc, char** argv) {
    QApplication application(argc, argv);
    if (kind == "bare") {
        QWidget window;
        window.setWindowTitle(QStringLiteral("Bare"));
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("A bare Qt window"), &window));
        const auto start = Steady::now();
        window.resize(820, 600);
        window.show();
        const auto frame = firstFrame(window);
        report(std::chrono::duration<double, std::milli>(frame - start).count(), 0, frame);
        return stay ? application.exec() : 0;
    }
    const auto modelStart = Steady::now();
    const UserFolders folders = UserFolders::make(home);
    AppModel model(
        ConfigurationStore::defaultStore(folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, nullptr, AppModelServices::standard(folders));
    model.refresh();
    const double modelMs = millisecondsSince(modelStart);

    SettingsServices services;
    services.loginItem = std::make_shared<OffLoginItem>();
    services.fileBrowser = std::make_shared<NullFileBrowser>();
    services.clock = std::make_shared<SystemClock>();
    SettingsWindowController controller(model, services);
    const auto chosen = SettingsPanes::fromTitleIgnoringCase(QString::fromStdString(pane));
    const auto start = Steady::now();
    controller.show(chosen.value_or(SettingsPane::overview));
    const auto frame = firstFrame(*controller.window());
    report(std::chrono::duration<double, std::milli>(frame - start).count(), modelMs, frame);
    return stay ? application.exec() : 0;
}

} // namespace dustlyn::bench
