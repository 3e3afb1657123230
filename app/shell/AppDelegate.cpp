#include "app/shell/AppDelegate.h"

#include "app/insights/ThumbnailCache.h"
#include "app/instance/Instance.h"
#include "app/model/AppModel.h"
#include "app/model/QtTimerSource.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchPanel.h"
#include "app/shell/StatusBar.h"

#include <QApplication>
#include <QTimer>

#include <unistd.h>

namespace dustlyn {

namespace {

// How long after launch a named demonstration of the notch starts.
constexpr int demoDelayMs = 1500;

} // namespace

AppDelegate::AppDelegate(Environment environment, std::optional<std::string> notchDemo)
    : environment_(std::move(environment)), notchDemo_(std::move(notchDemo)) {}

AppDelegate::~AppDelegate() {
    // The controller and the tray item hook into the platform services; they go first.
    statusBar_.reset();
    notch_.reset();
    if (instance_)
        instance_->model().stop();
}

AppModel& AppDelegate::model() {
    return instance_->model();
}

void AppDelegate::launch() {
    // The configuration was migrated by the command line before this point.
    instance_ = std::make_unique<Instance>(
        environment_, [this](const CommandLine& line) { return answer(line); });
    platform_ = Platform::forSession(environment_);
    thumbnails_ = std::make_unique<ThumbnailCache>(environment_.folders.thumbnailDirectory());

    NotchServices services{*platform_.screens,
                           *platform_.input,
                           *platform_.drag,
                           *platform_.activeWindow,
                           *platform_.hotKey,
                           std::make_shared<SystemClock>(),
                           std::make_shared<QtTimerSource>(),
                           ::getpid()};
    notch_ = std::make_unique<NotchController>(
        model(), services,
        NotchPanel::factory(*platform_.panel, *thumbnails_, *platform_.fileBrowser),
        [this] { reopen(); });
    statusBar_ = std::make_unique<StatusBar>(
        *platform_.tray, [this] { notch_->open(false); }, [this] { reopen(); },
        [] { QCoreApplication::quit(); });

    wireModel();
    followConfiguration();
    showIcon(model().config().showMenuBarIcon);

    model().start();
    if (notchDemo_)
        QTimer::singleShot(demoDelayMs, this, [this] { notch_->demo(*notchDemo_); });
}

void AppDelegate::wireModel() {
    model().onNewFiles = [this](const std::vector<MatchedFile>& files) {
        notch_->handleNewFiles(files);
    };
    model().onSweep = [this](const SweepSummary& summary) { notch_->handleSweep(summary); };
}

// Settings change from the settings window, a `dustlyn` command or a hand edit: the tray
// item and the notch follow whichever it was.
void AppDelegate::followConfiguration() {
    connect(
        &model(), &AppModel::configChanged, this,
        [this, shown = model().config().showMenuBarIcon, notch = model().config().notch]() mutable {
            const Configuration& config = model().config();
            if (config.showMenuBarIcon != shown) {
                shown = config.showMenuBarIcon;
                showIcon(shown);
            }
            if (!(config.notch == notch)) {
                notch = config.notch;
                notch_->applySettings();
            }
        });
}

void AppDelegate::showIcon(bool show) {
    if (show)
        statusBar_->showIcon();
    else
        statusBar_->removeIcon();
}

void AppDelegate::reopen() {
    notch_->open(false);
}

CommandOutput AppDelegate::answer(const CommandLine& line) {
    CommandOutput output;
    if (!notch_) {
        output.fail(1, "dustlyn " + line.command + ": Dustlyn is still starting; try again");
        return output;
    }
    if (line.command.empty())
        reopen();
    else if (line.command == "open")
        notch_->open(false);
    else if (line.command == "toggle") {
        if (notch_->vm().mode() == NotchViewModel::Mode::open)
            notch_->close();
        else
            notch_->open(false);
    } else if (line.command == "settings")
        reopen();
    return output;
}

} // namespace dustlyn
