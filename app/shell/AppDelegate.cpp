#include "app/shell/AppDelegate.h"

#include "app/brand/AppIcon.h"
#include "app/insights/ThumbnailCache.h"
#include "app/instance/Instance.h"
#include "app/model/AppModel.h"
#include "app/model/QtTimerSource.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchPanel.h"
#include "app/onboarding/OnboardingWindowController.h"
#include "app/settings/SettingsWindowController.h"
#include "app/shell/SettingsCommand.h"
#include "app/shell/StatusBar.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

namespace dustlyn {

namespace {

// How long after launch a named demonstration of the notch starts.
constexpr int demoDelayMs = 1500;

} // namespace

AppDelegate::AppDelegate(Environment environment, LaunchOptions options)
    : environment_(std::move(environment)), options_(std::move(options)),
      clock_(std::make_shared<SystemClock>()), timers_(std::make_shared<QtTimerSource>()),
      heapRelease_(timers_), activation_(&AppActivation::applicationWindows) {}

AppDelegate::~AppDelegate() {
    // The windows and the tray item hook into the model and the platform services; they go
    // first.
    onboarding_.reset();
    settings_.reset();
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
    loginItem_ = std::move(platform_.loginItem);
    fileBrowser_ = std::move(platform_.fileBrowser);
    thumbnails_ = std::make_unique<ThumbnailCache>(environment_.folders.thumbnailDirectory());
    makeSettings();

    NotchServices services{
        *platform_.screens, *platform_.input, *platform_.drag, *platform_.activeWindow,
        *platform_.hotKey,  clock_,           timers_,         ::getpid()};
    notch_ = std::make_unique<NotchController>(
        model(), services, NotchPanel::factory(*platform_.panel, *thumbnails_, *fileBrowser_),
        [this] { showSettings(std::nullopt); });
    statusBar_ = std::make_unique<StatusBar>(
        *platform_.tray, [this] { notch_->open(false); }, [this] { showSettings(std::nullopt); },
        [] { QCoreApplication::quit(); });

    wireModel();
    wireSettings();
    followConfiguration();
    showIcon(model().config().showMenuBarIcon);
    // Whenever a window closes, once it is gone: is any ordinary window left?
    qApp->installEventFilter(this);
    startOrOnboard();
    if (options_.showSettings)
        showSettings(options_.settingsPane);
    heapRelease_.afterWork();
}

void AppDelegate::makeSettings() {
    SettingsServices services;
    services.loginItem = loginItem_;
    services.fileBrowser = fileBrowser_;
    services.chooser = std::make_shared<DialogFileChooser>();
    services.clock = clock_;
    services.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    services.geometryFile = environment_.folders.configHome / "Dustlyn" / "settings-window.conf";
    settings_ = std::make_unique<SettingsWindowController>(model(), std::move(services));
}

void AppDelegate::wireModel() {
    model().onNewFiles = [this](const std::vector<MatchedFile>& files) {
        notch_->handleNewFiles(files);
    };
    model().onSweep = [this](const SweepSummary& summary) { notch_->handleSweep(summary); };
    // What a face allocated while it showed and has freed since goes back once the notch
    // is at rest again.
    connect(&notch_->vm(), &NotchViewModel::modeChanged, this, [this] {
        if (notch_->vm().mode() == NotchViewModel::Mode::pill)
            heapRelease_.afterWork();
    });
}

void AppDelegate::wireSettings() {
    settings_->onToggleIcon = [this](bool show) {
        model().updateShowMenuBarIcon(show);
        showIcon(show);
    };
    settings_->onNotchSettingsChanged = [this] { notch_->applySettings(); };
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

// A demonstration needs the model running whatever the onboarding says; a first run
// opens the onboarding, which starts the model when the user is ready.
void AppDelegate::startOrOnboard() {
    if (options_.notchDemo) {
        model().start();
        QTimer::singleShot(demoDelayMs, this, [this] { notch_->demo(*options_.notchDemo); });
        return;
    }
    if (model().config().onboardingCompleted) {
        model().start();
        return;
    }
    onboarding_ =
        std::make_unique<OnboardingWindowController>(model(), *notch_, *loginItem_, clock_, [this] {
            // Called from within the window's own button: let go once that has returned.
            QTimer::singleShot(0, this, [this] { onboarding_.reset(); });
        });
    showingWindow();
    onboarding_->show();
}

void AppDelegate::reopen() {
    if (onboarding_ && onboarding_->isOpen())
        return;
    showSettings(std::nullopt);
}

void AppDelegate::showSettings(std::optional<SettingsPane> pane) {
    showingWindow();
    settings_->show(pane);
}

// An ordinary window is about to show: Dustlyn becomes an application with windows, and
// the task bar needs its icon (the installed one, else the logo tile drawn here).
void AppDelegate::showingWindow() {
    activation_.becomeRegular();
    if (!QApplication::windowIcon().isNull())
        return;
    QIcon icon = QIcon::fromTheme(QStringLiteral("dustlyn"));
    if (icon.isNull())
        for (const int pixels : {16, 32, 48, 64, 128})
            icon.addPixmap(QPixmap::fromImage(AppIcon::render(pixels)));
    QApplication::setWindowIcon(icon);
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
        QTimer::singleShot(0, this, [this] { activation_.settleIfNoWindows(); });
    return QObject::eventFilter(watched, event);
}

CommandOutput AppDelegate::answer(const CommandLine& line) {
    CommandOutput output;
    if (!notch_) {
        output.fail(1, "dustlyn " + line.command + ": Dustlyn is still starting; try again");
        return output;
    }
    if (line.command.empty()) {
        reopen();
    } else if (line.command == "open") {
        notch_->open(false);
    } else if (line.command == "toggle") {
        if (notch_->vm().mode() == NotchViewModel::Mode::open)
            notch_->close();
        else
            notch_->open(false);
    } else if (line.command == "settings") {
        showSettings(SettingsCommand::pane(line));
    }
    return output;
}

} // namespace dustlyn
