#include "app/notch/NotchController.h"

#include "app/notch/NotchDerived.h"

namespace dustlyn {

namespace {

// The whole of what the last scan claims, without building and sorting the list: this
// runs for every pointer movement.
std::size_t countLeaving(const ScanReport& scan) {
    std::size_t count = 0;
    for (const auto& result : scan.results)
        count += result.files.size();
    return count;
}

// The earliest deadline of a file still counting down, if any.
std::optional<Date> nextDeadline(const ScanReport& scan) {
    std::optional<Date> next;
    for (const auto& result : scan.results)
        for (const auto& file : result.files)
            if (!file.isEligible && (!next || file.deadline < *next))
                next = file.deadline;
    return next;
}

// At rest the tick serves only the quiet test, every other second; a face that shows the
// time (and the pill a moment before its countdown starts) gets every second.
constexpr double restingTickPeriod = 2;
constexpr double timeTickPeriod = 1;
constexpr double countdownLead = 2;

} // namespace

NotchController::NotchController(AppModel& model, NotchServices services,
                                 const PanelFactory& makePanel, std::function<void()> openSettings)
    : model_(model), services_(std::move(services)), openSettings_(std::move(openSettings)),
      quiet_(services_.screens, services_.activeWindow, services_.ownPid),
      vm_(NotchGeometry{}, services_.clock->now()),
      peekBatch_(*services_.clock, *services_.timers, services_.input,
                 {[this] {
                      return (vm_.mode() == Mode::pill || vm_.mode() == Mode::toast) &&
                             !vm_.hidden();
                  },
                  [this] { return model_.lastScan().watchingFiles(); },
                  [this](std::vector<MatchedFile> files) { peek(files, false); }}) {
    dragChangeCount_ = services_.drag.changeCount();
    const ScreenChoice choice = ScreenChoice::current(services_.screens);
    screen_ = choice.screen;
    vm_.setGeometry(choice.geometry);

    panel_ = makePanel(*this);
    syncInputRegion();
    if (screen_)
        placePanel();
    panel_->orderFront();

    // Whatever changes the body's size or place changes where the panel takes the pointer.
    for (const auto signal :
         {&NotchViewModel::modeChanged, &NotchViewModel::tabChanged,
          &NotchViewModel::geometryChanged, &NotchViewModel::hiddenChanged,
          &NotchViewModel::pillEnabledChanged, &NotchViewModel::peekFilesChanged})
        connect(&vm_, signal, this, &NotchController::syncInputRegion);
    connect(&model_, &AppModel::lastScanChanged, this, &NotchController::syncInputRegion);
    connect(&model_, &AppModel::lastScanChanged, this, &NotchController::syncTicker);
    connect(&model_, &AppModel::configChanged, this, &NotchController::syncTicker);
    connect(&model_, &AppModel::quarantinedChanged, this, &NotchController::syncInputRegion);

    services_.input.onPointerEvent = [this](PointerEventType type, bool global) {
        handle(type, global);
    };
    syncTicker();
    services_.screens.onChanged = [this] { screensChanged(); };
    services_.hotKey.action = [this] {
        if (vm_.mode() == Mode::open)
            close();
        else
            open(false);
    };
    applySettings();
}

NotchController::~NotchController() {
    services_.input.onPointerEvent = nullptr;
    services_.screens.onChanged = nullptr;
    services_.hotKey.action = nullptr;
}

QSizeF NotchController::currentBody() const {
    return vm_.bodySize(countLeaving(model_.lastScan()), model_.quarantined().size());
}

QRectF NotchController::bodyRect() const {
    return vm_.geometry().body(currentBody());
}

QRectF NotchController::hotZone() const {
    return vm_.geometry().hotZone(currentBody());
}

void NotchController::setMode(Mode mode) {
    vm_.withAnimation(NotchAnimation::spring(), [&] { vm_.setMode(mode); });
    syncTicker();
    // The resting notch never holds the keyboard, however it came to rest (a forced peek
    // over the open panel ends by its timer, not by close()).
    if (mode == Mode::pill && panel_->isKey())
        panel_->resignKey();
}

void NotchController::recheckMouse() {
    updateMouse(services_.input.pointerPosition());
}

void NotchController::cancelTimers() {
    hoverWork_.reset();
    closeWork_.reset();
    dismissWork_.reset();
}

void NotchController::open(bool byHover) {
    cancelTimers();
    vm_.setTab(NotchViewModel::Tab::leaving);
    openedByHover_ = byHover;
    setMode(Mode::open);
    recheckMouse();
    // Opened on purpose (key, click, command): Esc and typing should reach the panel.
    if (!byHover)
        panel_->makeKey();
    // The panel opens on what the last scan found (the watcher keeps it within moments of
    // the folders) and is brought up to date right after its first frame: a rescan of many
    // files would otherwise hold that frame back.
    refreshWork_ = services_.timers->singleShot(0, [this] {
        refreshWork_.reset();
        model_.refresh();
    });
}

void NotchController::close() {
    cancelTimers();
    openedByHover_ = false;
    setMode(Mode::pill);
    hoverWaitsForLeave_ = hotZone().contains(services_.input.pointerPosition());
    recheckMouse();
    if (panel_->isKey())
        panel_->resignKey();
}

bool NotchController::handleEscape() {
    if (vm_.mode() == Mode::pill)
        return false;
    close();
    return true;
}

void NotchController::scheduleDismiss(double seconds) {
    dismissWork_ = services_.timers->singleShot(seconds, [this] {
        const Mode mode = vm_.mode();
        if ((mode == Mode::peek || mode == Mode::toast) && !vm_.peekHovered()) {
            setMode(Mode::pill);
            recheckMouse();
        }
    });
}

void NotchController::showToast(Toast toast, double seconds) {
    vm_.setToast(std::move(toast));
    vm_.setPeekHovered(false);
    setMode(Mode::toast);
    recheckMouse();
    scheduleDismiss(seconds);
}

bool NotchController::showsTime() const {
    if (vm_.mode() != Mode::pill)
        return true;
    const auto next = nextDeadline(model_.lastScan());
    return model_.config().notch.pillCountdown && next &&
           secondsBetween(now(), *next) <
               NotchDerived::countdownWindow + restingTickPeriod + countdownLead;
}

// A wake-up a second costs an idle desktop more than anything else the notch does: the
// ticker slows down while nothing shows the time.
void NotchController::syncTicker() {
    const double period = showsTime() ? timeTickPeriod : restingTickPeriod;
    if (period == tickPeriod_)
        return;
    tickPeriod_ = period;
    ticker_ = services_.timers->repeating(period, [this] { tick(); });
    vm_.setNow(now()); // a face that shows the time starts from the present
}

void NotchController::tick() {
    vm_.setNow(now());
    ++tickCount_;
    syncTicker();
    // The active window is asked every other second only.
    if ((tickPeriod_ == timeTickPeriod && tickCount_ % 2 != 0) || !screen_)
        return;
    const bool quiet = quiet_.isQuiet(model_.config().notch.quietWhenBusy, screen_->frame);
    // Never hide the open panel under the user's pointer; the first even tick after it
    // closes catches up.
    if (quiet == vm_.hidden() || vm_.mode() == Mode::open)
        return;
    vm_.withAnimation(NotchAnimation::quietFade(), [&] { vm_.setHidden(quiet); });
    if (quiet && vm_.mode() != Mode::pill)
        setMode(Mode::pill);
    // A hover-open armed a moment ago must not open a notch that just went quiet.
    recheckMouse();
}

void NotchController::screensChanged() {
    const ScreenChoice choice = ScreenChoice::current(services_.screens);
    screen_ = choice.screen;
    vm_.setGeometry(choice.geometry);
    if (screen_)
        placePanel();
}

void NotchController::placePanel() {
    panel_->place(vm_.geometry().panelFrame());
}

void NotchController::syncInputRegion() {
    if (!panel_)
        return;
    // Over the drawn body only: in the resting state that is the pill, so a click on it
    // opens the panel and hovering it works even where the pointer cannot be followed
    // across the desktop; with nothing drawn every click falls through.
    const QRectF body = bodyRect();
    const QRectF region =
        body.isEmpty() ? QRectF() : body.translated(-vm_.geometry().panelFrame().topLeft());
    if (inputRegion_ == region)
        return;
    inputRegion_ = region;
    panel_->setInputRegion(region);
}

} // namespace dustlyn
