// The notch's commands on the model and the faces that confirm them.

#include "app/notch/NotchController.h"
#include "app/notch/NotchDerived.h"
#include "core/quarantine/FileSystemCalls.h"

#include <algorithm>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

constexpr double sweepToastSeconds = 3.2;
constexpr double confirmationSeconds = 1.8;
constexpr double dropToastSeconds = 2.0;
constexpr double demoToastSeconds = 3600;
constexpr double dropTimerSeconds = 3600;

// A link is not followed: dropping a link must not act on some other file.
bool isRegularFile(const fs::path& url) {
    return itemKind(url) == ItemKind::file;
}

// The model refuses names it cannot record; a confirmation counts only the rest.
std::vector<fs::path> applyToFiles(const std::vector<fs::path>& urls,
                                   const std::function<bool(const fs::path&)>& action) {
    std::vector<fs::path> accepted;
    for (const auto& url : urls)
        if (action(url))
            accepted.push_back(url);
    return accepted;
}

} // namespace

void NotchController::handleNewFiles(const std::vector<MatchedFile>& files) {
    if (!model_.config().notch.peekOnNewFiles)
        return;
    peekBatch_.add(files);
    emit faceAhead(Mode::peek);
}

void NotchController::peek(const std::vector<MatchedFile>& files, bool force) {
    if (files.empty())
        return;
    if (!force && (vm_.mode() == Mode::open || vm_.mode() == Mode::drop || vm_.hidden()))
        return;
    const std::size_t shown = std::min(files.size(), NotchViewModel::maxPeekFiles);
    vm_.setPeekFiles({files.begin(), files.begin() + static_cast<std::ptrdiff_t>(shown)});
    vm_.setPeekHovered(false);
    vm_.setPeekEndsAt(dateAfter(now(), NotchDerived::peekDuration));
    setMode(Mode::peek);
    recheckMouse();
    scheduleDismiss(NotchDerived::peekDuration);
}

void NotchController::handleSweep(const SweepSummary& summary) {
    const Mode mode = vm_.mode();
    if (!model_.config().notch.toastAfterSweep || vm_.hidden() ||
        !(mode == Mode::pill || mode == Mode::peek || mode == Mode::toast))
        return;
    showToast(Toast::sweep(summary), sweepToastSeconds);
}

void NotchController::keep(const std::vector<MatchedFile>& files) {
    if (files.empty())
        return;
    std::vector<fs::path> urls;
    urls.reserve(files.size());
    for (const auto& file : files)
        urls.push_back(file.url);
    const auto kept = applyToFiles(urls, [this](const fs::path& url) { return model_.keep(url); });
    // A peek that ended under a slow click: the command still counts, silently.
    if (vm_.mode() != Mode::peek)
        return;
    showToast(kept.empty() ? Toast::unrecordable(urls.size())
                           : Toast::keptFromPeek(kept.size(), kept.front()),
              confirmationSeconds);
}

void NotchController::setTimer(const MatchedFile& file, double seconds) {
    const bool set = model_.setTimer(file.url, seconds);
    const Date when = now();
    if (vm_.mode() != Mode::peek)
        return;
    showToast(set ? Toast::timerFromPeek(dateAfter(when, seconds), when, file.url)
                  : Toast::unrecordable(1),
              confirmationSeconds);
}

void NotchController::undo(const SweepSummary& summary) {
    std::vector<std::string> waiting;
    for (const auto& entry : model_.history())
        if (entry.sweepID == summary.id && entry.kind == HistoryEntry::Kind::quarantined &&
            itemExists(entry.quarantinePath))
            waiting.push_back(entry.quarantinePath);
    model_.undo(summary.id);
    // Say what really came back: a purge or a failed move may have taken some.
    const auto restored = std::count_if(waiting.begin(), waiting.end(),
                                        [](const std::string& path) { return !itemExists(path); });
    if (restored > 0)
        showToast(Toast::restored(restored), confirmationSeconds);
    else if (waiting.empty())
        showToast(Toast::nothingRestored("The files are no longer in quarantine."),
                  confirmationSeconds);
    else
        showToast(Toast::nothingRestored(model_.lastRestoreError()), confirmationSeconds);
}

void NotchController::handleDrop(const std::vector<fs::path>& urls, NotchViewModel::DropKind kind) {
    std::vector<fs::path> files;
    std::copy_if(urls.begin(), urls.end(), std::back_inserter(files), isRegularFile);
    if (files.empty()) {
        close();
        return;
    }
    const Date when = now();
    std::vector<fs::path> accepted;
    if (kind == NotchViewModel::DropKind::keep)
        accepted = applyToFiles(files, [this](const fs::path& url) { return model_.keep(url); });
    else
        accepted = applyToFiles(
            files, [this](const fs::path& url) { return model_.setTimer(url, dropTimerSeconds); });
    if (accepted.empty())
        showToast(Toast::unrecordable(files.size()), dropToastSeconds);
    else if (kind == NotchViewModel::DropKind::keep)
        showToast(Toast::keptFromDrop(accepted.size(), accepted.front()), dropToastSeconds);
    else
        showToast(Toast::timerFromDrop(dateAfter(when, dropTimerSeconds), when, accepted.front()),
                  dropToastSeconds);
}

void NotchController::applySettings() {
    const NotchSettings& settings = model_.config().notch;
    vm_.withAnimation(NotchAnimation::spring(), [&] { vm_.setPillEnabled(settings.showPill); });
    if (settings.hotkeyEnabled)
        services_.hotKey.registerHotKey();
    else
        services_.hotKey.unregisterHotKey();
}

void NotchController::showSettings() {
    close();
    if (openSettings_)
        openSettings_();
}

void NotchController::demo(const std::string& name) {
    if (name == "open") {
        open(false);
    } else if (name == "peek") {
        model_.refresh();
        const auto leaving = model_.leaving();
        if (!leaving.empty())
            peek({leaving.front()}, true);
    } else if (name == "toast") {
        showToast(Toast::demo(), demoToastSeconds);
    } else if (name == "drop") {
        setMode(Mode::drop);
        recheckMouse();
    }
}

} // namespace dustlyn
