// The user's actions and the read-only queries of the model.
#include "app/model/AppModel.h"

#include "app/model/SweepSchedule.h"
#include "core/base/Paths.h"
#include "core/base/Trimmed.h"
#include "core/base/Utf8.h"
#include "core/config/DefaultRules.h"
#include "core/config/QuarantineFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>

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

std::int64_t sizeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

Date startOfMonth(Date now) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    if (!::localtime_r(&seconds, &local))
        return Date::min();
    local.tm_mday = 1;
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    const std::time_t start = std::mktime(&local);
    return start == std::time_t(-1) ? Date::min() : std::chrono::system_clock::from_time_t(start);
}

} // namespace

bool AppModel::keep(const fs::path& url) {
    const auto path = recordablePath(url);
    if (!path)
        return false;
    changeConfig([&](Configuration& config) {
        config.timers.erase(*path);
        if (std::find(config.pins.begin(), config.pins.end(), *path) == config.pins.end())
            config.pins.push_back(*path);
    });
    refresh();
    return true;
}

void AppModel::addPin(const std::string& text) {
    const std::string path = standardizePath(text, services_.folders.home);
    if (path.empty() || !isValidUtf8(path) ||
        std::find(config_.pins.begin(), config_.pins.end(), path) != config_.pins.end())
        return;
    changeConfig([&](Configuration& config) {
        config.pins.push_back(path);
        config.timers.erase(path);
    });
    refresh();
}

bool AppModel::removePin(const std::string& path) {
    if (std::find(config_.pins.begin(), config_.pins.end(), path) == config_.pins.end())
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
    changeConfig([&](Configuration& config) {
        std::erase(config.pins, *path);
        config.timers[*path] = dateAfter(now(), seconds);
    });
    refresh();
    return true;
}

bool AppModel::removeNow(const fs::path& url) {
    const auto path = recordablePath(url);
    if (!path)
        return false;
    // A change taken back is not acted on: the file must not leave on a timer never saved.
    if (!changeConfig([&](Configuration& config) {
            std::erase(config.pins, *path);
            config.timers[*path] = now();
        }))
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
                       sizeOf(restored),
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
        if (!exists(path))
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
        for (const auto& restored : result.restored) {
            const std::string& path = restored.native();
            config.timers.erase(path);
            if (std::find(config.pins.begin(), config.pins.end(), path) == config.pins.end())
                config.pins.push_back(path);
        }
    });
    refresh();
    return result;
}

void AppModel::setFileSettings(const std::string& path, bool kept, std::optional<Date> timer) {
    changeConfig([&](Configuration& config) {
        std::erase(config.pins, path);
        config.timers.erase(path);
        if (kept)
            config.pins.push_back(path);
        if (timer)
            config.timers[path] = *timer;
    });
    refresh();
}

void AppModel::changeRules(const std::function<void(Configuration&)>& change) {
    changeConfig(change);
    refresh();
    updateWatchedFolders();
}

namespace {

PurgeRule* ruleWithID(Configuration& config, const Uuid& id) {
    const auto rule = std::find_if(config.rules.begin(), config.rules.end(),
                                   [&](const PurgeRule& r) { return r.id == id; });
    return rule == config.rules.end() ? nullptr : &*rule;
}

} // namespace

void AppModel::toggleRule(const Uuid& id) {
    reloadIfChangedOutside();
    if (!ruleWithID(config_, id))
        return;
    changeRules([&](Configuration& config) {
        if (PurgeRule* rule = ruleWithID(config, id))
            rule->enabled = !rule->enabled;
    });
}

void AppModel::addRule(const PurgeRule& rule) {
    changeRules([&](Configuration& config) { config.rules.push_back(rule); });
}

void AppModel::updateRule(const PurgeRule& rule) {
    reloadIfChangedOutside();
    if (!ruleWithID(config_, rule.id))
        return;
    changeRules([&](Configuration& config) {
        if (PurgeRule* found = ruleWithID(config, rule.id))
            *found = rule;
    });
}

void AppModel::removeRule(const Uuid& id) {
    changeRules([&](Configuration& config) {
        std::erase_if(config.rules, [&](const PurgeRule& r) { return r.id == id; });
    });
}

void AppModel::resetRules() {
    changeRules(
        [&](Configuration& config) { config.rules = DefaultRules::all(services_.folders); });
}

void AppModel::setFolderEnabled(const std::string&, bool enabled,
                                const std::vector<Uuid>& ruleIDs) {
    changeRules([&](Configuration& config) {
        for (const auto& id : ruleIDs)
            if (PurgeRule* rule = ruleWithID(config, id))
                rule->enabled = enabled;
    });
}

std::optional<std::string> AppModel::updateGeneral(std::optional<double> checkInterval,
                                                   std::optional<std::string> quarantineDirectory,
                                                   std::optional<double> quarantineTTL,
                                                   std::optional<bool> emptyTrash) {
    const auto usable = [](const std::optional<double>& seconds) {
        return seconds && std::isfinite(*seconds) && *seconds > 0;
    };
    const double intervalBefore = config_.checkInterval;
    std::optional<std::string> refusal;
    // Saved always, even when nothing changed.
    changeConfig([&](Configuration& changed) {
        if (usable(checkInterval))
            changed.checkInterval = *checkInterval;
        if (quarantineDirectory && !trimmed(*quarantineDirectory).empty()) {
            const auto& folders = services_.folders;
            if (const auto why =
                    QuarantineFolder::problem(*quarantineDirectory, changed.rules, folders))
                refusal = "The quarantine cannot be " + *quarantineDirectory + ": " + *why +
                          ". Everything in the quarantine is deleted once it expires, so it must "
                          "be a folder of its own.";
            else
                changed.quarantineDirectory = QuarantineFolder::forChoice(
                    *quarantineDirectory, changed.quarantineDirectory, folders);
        }
        if (usable(quarantineTTL))
            changed.quarantineTTL = *quarantineTTL;
        if (emptyTrash)
            changed.emptyTrash = *emptyTrash;
    });
    if (emptyTrash)
        trashEmptier_ = services_.trashEmptierFor(*emptyTrash);
    ensureQuarantineDirectory();
    refresh();
    if (config_.checkInterval != intervalBefore && started_)
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

std::vector<MatchedFile> AppModel::leaving() const {
    std::vector<MatchedFile> files;
    for (const auto& result : lastScan_.results)
        files.insert(files.end(), result.files.begin(), result.files.end());
    std::stable_sort(files.begin(), files.end(), [](const MatchedFile& a, const MatchedFile& b) {
        return a.deadline < b.deadline;
    });
    return files;
}

std::vector<std::pair<std::string, std::int64_t>> AppModel::leavingByRule() const {
    std::map<std::string, std::int64_t> totals;
    for (const auto& result : lastScan_.results)
        for (const auto& file : result.files)
            totals[result.rule.name] += file.size;
    std::vector<std::pair<std::string, std::int64_t>> pairs(totals.begin(), totals.end());
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return pairs;
}

std::string AppModel::reason(const MatchedFile& file) const {
    if (config_.timers.contains(file.url))
        return "Your timer";
    const PurgeRule* rule = nullptr;
    if (file.ruleID == PurgeRule::manualID()) {
        rule = &PurgeRule::manual();
    } else {
        const auto found = std::find_if(config_.rules.begin(), config_.rules.end(),
                                        [&](const PurgeRule& r) { return r.id == file.ruleID; });
        if (found != config_.rules.end())
            rule = &*found;
    }
    if (!rule)
        return {};
    std::string name = rule->name;
    if (const auto dash = name.find(" - "); dash != std::string::npos)
        name = name.substr(dash + 3);
    return name + " rule";
}

std::vector<MatchedFile> AppModel::files(const Uuid& ruleID) const {
    std::vector<MatchedFile> found;
    for (const auto& result : lastScan_.results)
        if (result.rule.id == ruleID)
            found.insert(found.end(), result.files.begin(), result.files.end());
    return found;
}

HistoryStats AppModel::statsThisMonth() const {
    return HistoryStore::stats(history(), startOfMonth(now()));
}

std::int64_t AppModel::quarantinedSize() const {
    std::int64_t total = 0;
    for (const auto& file : quarantined_)
        total += file.size;
    return total;
}

} // namespace dustlyn
