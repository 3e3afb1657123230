// The user's actions: files kept, timed, removed and put back, rules and settings changed.
#include "app/model/AppModel.h"

#include "app/model/ConfigurationEdits.h"
#include "core/base/Paths.h"
#include "core/base/Utf8.h"
#include "core/config/DefaultRules.h"
#include "core/quarantine/FileSystemCalls.h"

#include <cmath>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// The history and the configuration store paths as JSON text: a path that cannot be
// written exactly is never kept, timed or moved. Only the folders are resolved: a file named
// through a link is the link, never whatever it leads to.
std::optional<std::string> recordablePath(const fs::path& url) {
    std::string path = resolveFolderPart(url).native();
    if (!isValidUtf8(path))
        return std::nullopt;
    return path;
}

} // namespace

bool AppModel::keep(const fs::path& url) {
    const auto path = recordablePath(url);
    if (!path)
        return false;
    changeConfig([&](Configuration& config) { ConfigurationEdits::keep(config, *path); });
    refresh();
    return true;
}

void AppModel::addPin(const std::string& text) {
    const std::string path = standardizePath(text, services_.folders.home);
    if (path.empty() || !isValidUtf8(path) || ConfigurationEdits::isKept(config(), path))
        return;
    changeConfig([&](Configuration& config) { ConfigurationEdits::keep(config, path); });
    refresh();
}

bool AppModel::removePin(const std::string& path) {
    if (!ConfigurationEdits::isKept(config(), path))
        return false;
    changeConfig([&](Configuration& config) { std::erase(config.pins, path); });
    refresh();
    return true;
}

bool AppModel::setTimer(const fs::path& url, double seconds) {
    // A negative or endless delay is no timer: it would make the file due at once, or never.
    if (!std::isfinite(seconds) || seconds < 0)
        return false;
    const auto path = recordablePath(url);
    if (!path)
        return false;
    const Date due = dateAfter(now(), seconds);
    changeConfig([&](Configuration& config) { ConfigurationEdits::setTimer(config, *path, due); });
    refresh();
    return true;
}

bool AppModel::removeNow(const fs::path& url) {
    const auto path = recordablePath(url);
    if (!path)
        return false;
    // A change taken back is not acted on: the file must not leave on a timer never saved.
    const Date due = now();
    if (!changeConfig(
            [&](Configuration& config) { ConfigurationEdits::setTimer(config, *path, due); }))
        return true;
    sweepNow(SweepSource::removeNow);
    return true;
}

std::optional<std::pair<fs::path, HistoryEntry>> AppModel::moveBack(const fs::path& url) {
    const std::string& quarantinePath = url.native();
    const auto origin = HistoryStore::originalPath(quarantinePath, history());
    const fs::path target =
        origin ? fs::path(*origin)
               : expandTilde(services_.folders.downloads, services_.folders.home) / url.filename();
    fs::path restored;
    try {
        // The mover refuses a link anywhere in the source's path; the quarantine's own path
        // may have gained one (a support folder moved to another disk) since it was recorded.
        restored = purger_.restore(resolveFolderPart(url), target);
    } catch (const std::exception& error) {
        lastRestoreError_ = error.what();
        return std::nullopt;
    }
    lastRestoreError_.clear();
    HistoryEntry entry{Uuid::random(),
                       now(),
                       HistoryEntry::Kind::restored,
                       restored.native(),
                       quarantinePath,
                       itemSize(restored).value_or(0),
                       "",
                       std::nullopt};
    return std::make_pair(restored, std::move(entry));
}

std::optional<fs::path> AppModel::restore(const fs::path& url) {
    auto moved = moveBack(url);
    if (!moved)
        return std::nullopt;
    appendHistory({moved->second});
    keep(moved->first);
    return moved->first;
}

// The same as restoring each file, but with one history write, one configuration save and
// one rescan for the whole sweep: a sweep can hold thousands of files.
UndoResult AppModel::undo(const Uuid& sweepID) {
    std::vector<std::string> paths;
    for (const auto& entry : history())
        if (entry.sweepID == sweepID && entry.kind == HistoryEntry::Kind::quarantined)
            paths.push_back(entry.quarantinePath);
    std::vector<HistoryEntry> entries;
    UndoResult result;
    for (const auto& path : paths) {
        if (!itemExists(path))
            continue;
        if (auto moved = moveBack(path)) {
            result.restored.push_back(moved->first);
            entries.push_back(std::move(moved->second));
        } else {
            result.failed.push_back({path, lastRestoreError_});
        }
    }
    if (entries.empty())
        return result;
    appendHistory(entries);
    changeConfig([&](Configuration& config) {
        for (const auto& restored : result.restored)
            ConfigurationEdits::keep(config, restored.native());
    });
    refresh();
    return result;
}

void AppModel::setFileSettings(const std::string& path, bool kept, std::optional<Date> timer) {
    changeConfig([&](Configuration& config) {
        ConfigurationEdits::setFileSettings(config, path, kept, timer);
    });
    refresh();
}

void AppModel::changeRules(const std::function<void(Configuration&)>& change) {
    changeConfig(change);
    refresh();
    updateWatchedFolders();
}

void AppModel::toggleRule(const Uuid& id) {
    reloadIfChangedOutside();
    if (!ConfigurationEdits::rule(config(), id))
        return;
    changeRules([&](Configuration& config) { ConfigurationEdits::toggleRule(config, id); });
}

void AppModel::addRule(const PurgeRule& rule) {
    changeRules([&](Configuration& config) { config.rules.push_back(rule); });
}

void AppModel::updateRule(const PurgeRule& rule) {
    reloadIfChangedOutside();
    if (!ConfigurationEdits::rule(config(), rule.id))
        return;
    changeRules([&](Configuration& config) { ConfigurationEdits::replaceRule(config, rule); });
}

void AppModel::removeRule(const Uuid& id) {
    changeRules([&](Configuration& config) { ConfigurationEdits::removeRule(config, id); });
}

void AppModel::resetRules() {
    changeRules(
        [&](Configuration& config) { config.rules = DefaultRules::all(services_.folders); });
}

void AppModel::setFolderEnabled(const std::string&, bool enabled,
                                const std::vector<Uuid>& ruleIDs) {
    changeRules([&](Configuration& config) {
        ConfigurationEdits::setRulesEnabled(config, ruleIDs, enabled);
    });
}

std::optional<std::string> AppModel::updateGeneral(std::optional<double> checkInterval,
                                                   std::optional<std::string> quarantineDirectory,
                                                   std::optional<double> quarantineTTL,
                                                   std::optional<bool> emptyTrash) {
    const double intervalBefore = config().checkInterval;
    const ConfigurationEdits::General general{checkInterval, std::move(quarantineDirectory),
                                              quarantineTTL, emptyTrash};
    std::optional<std::string> refusal;
    // Saved always, even when nothing changed.
    changeConfig([&](Configuration& changed) {
        refusal = ConfigurationEdits::applyGeneral(changed, general, services_.folders);
    });
    if (emptyTrash)
        trashEmptier_ = services_.trashEmptierFor(*emptyTrash);
    ensureQuarantineDirectory();
    refresh();
    if (config().checkInterval != intervalBefore && started_)
        scheduleNext();
    return refusal;
}

void AppModel::updateTrashAutoclean(bool on) {
    trashEmptier_ = services_.trashEmptierFor(on);
    changeConfig([&](Configuration& config) { config.emptyTrash = on; });
}

void AppModel::updateShowMenuBarIcon(bool show) {
    changeConfig([&](Configuration& config) { config.showMenuBarIcon = show; });
}

void AppModel::updateNotchSettings(const NotchSettings& settings) {
    changeConfig([&](Configuration& config) { config.notch = settings; });
}

void AppModel::completeOnboarding() {
    changeConfig([](Configuration& config) { config.onboardingCompleted = true; });
}

void AppModel::togglePaused() {
    if (paused_) {
        setPaused(false);
        start();
    } else {
        stop();
        setPaused(true);
    }
}

} // namespace dustlyn
