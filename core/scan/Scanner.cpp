#include "core/scan/Scanner.h"

#include "core/base/Paths.h"
#include "core/base/Utf8.h"
#include "core/rules/NameMatcher.h"
#include "core/scan/DirectoryWalk.h"

#include <fcntl.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSlashes(std::string text) {
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// One distinct folder of a scan, walked once and then read by every rule that lists it.
struct WalkedFolder {
    DirectoryWalk walk;
    std::vector<char> claimed; // by index into walk.files()
    // Another walked folder contains this one or lies inside it, so the same file may be
    // met through both, and claims must also be looked up by path.
    bool overlapsAnother = false;
};

// The state of one scan: the walked folders and everything claimed so far.
class ScanPass {
public:
    ScanPass(const fs::path& home, const std::vector<std::string>& excluded,
             const std::set<fs::path>& pins, const std::map<fs::path, Date>& timers, Date now)
        : home_(home), excluded_(excluded), timers_(timers), now_(now) {
        for (const auto& pin : pins)
            pins_.insert(pin.native());
        for (const auto& [file, due] : timers)
            timerDates_.emplace(file.native(), due);
    }

    ScanReport run(const std::vector<PurgeRule>& rules) {
        walkFolders(rules);
        ScanReport report;
        for (const auto& rule : rules) {
            if (!rule.enabled)
                continue;
            const NameMatcher matcher(rule.matchers);
            for (const auto& folder : rule.folders) {
                const auto found = folders_.find(folderKeys_.at(folder));
                if (found == folders_.end())
                    continue;
                add(report, ScanResult{rule, folder, claimFiles(rule, matcher, found->second)});
            }
        }
        add(report, ScanResult{PurgeRule::manual(), "", manualFiles()});
        report.unrecordableCount = static_cast<std::int64_t>(unrecordable_.size());
        return report;
    }

private:
    static void add(ScanReport& report, ScanResult result) {
        if (result.files.empty())
            return;
        report.matchedCount += static_cast<std::int64_t>(result.files.size());
        for (const auto& file : result.files)
            report.totalSize += file.size;
        report.results.push_back(std::move(result));
    }

    // Walks every folder that an enabled rule lists, once, however many rules list it.
    void walkFolders(const std::vector<PurgeRule>& rules) {
        for (const auto& rule : rules)
            if (rule.enabled)
                for (const auto& folder : rule.folders)
                    if (!folderKeys_.contains(folder))
                        folderKeys_.emplace(folder, folderKey(folder));
        for (const auto& [text, key] : folderKeys_)
            if (!key.empty())
                folders_.try_emplace(key);
        for (auto& [key, folder] : folders_) {
            folder.walk = DirectoryWalk::run(key, excluded_);
            folder.claimed.assign(folder.walk.files().size(), 0);
            folder.overlapsAnother = overlapsAnother(key);
            for (const auto& file : folder.walk.files())
                if (!file.validUtf8)
                    unrecordable_.insert(folder.walk.path(file));
        }
    }

    // Folders are walked from their resolved location, so two texts naming the same folder
    // share one walk. An empty text names no folder (it would mean the current folder, which
    // for a background program is anything but what the user meant).
    std::string folderKey(const std::string& text) const {
        if (text.empty())
            return {};
        return resolvePath(expandTilde(text, home_)).native();
    }

    bool overlapsAnother(const std::string& key) const {
        return std::any_of(folders_.begin(), folders_.end(), [&](const auto& other) {
            return other.first != key &&
                   (isWithinFolder(key, other.first) || isWithinFolder(other.first, key));
        });
    }

    std::vector<MatchedFile> claimFiles(const PurgeRule& rule, const NameMatcher& matcher,
                                        WalkedFolder& folder) {
        std::vector<MatchedFile> files;
        const auto& walked = folder.walk.files();
        for (std::size_t index = 0; index < walked.size(); ++index) {
            const auto& file = walked[index];
            // A path that is not UTF-8 cannot be written to the history or the
            // configuration, so such a file is never claimed.
            if (!file.validUtf8 || isClaimed(folder, index))
                continue;
            if (!matcher.matches(folder.walk.name(file)))
                continue;
            const std::string_view path = folder.walk.path(file);
            if (pins_.contains(path))
                continue;
            const auto& basis =
                rule.ageBasis == AgeBasis::creation ? file.creation : file.modification;
            if (!basis)
                continue;
            const std::optional<Date> timer = timerFor(path);
            const Date deadline = timer ? *timer : dateAfter(*basis, rule.ageThreshold);
            files.emplace_back(fs::path(std::string(path)), file.size, *basis, rule.id,
                               now_ >= deadline, deadline);
            claim(folder, index, path, timer.has_value());
        }
        return files;
    }

    bool isClaimed(const WalkedFolder& folder, std::size_t index) const {
        if (folder.claimed[index])
            return true;
        return folder.overlapsAnother &&
               sharedClaims_.contains(folder.walk.path(folder.walk.files()[index]));
    }

    void claim(WalkedFolder& folder, std::size_t index, std::string_view path, bool hasTimer) {
        folder.claimed[index] = 1;
        if (folder.overlapsAnother)
            sharedClaims_.insert(path);
        // The timer-only group needs to know which timed files a rule already took.
        if (hasTimer)
            claimedTimers_.insert(path);
    }

    std::optional<Date> timerFor(std::string_view path) const {
        if (timerDates_.empty())
            return std::nullopt;
        const auto found = timerDates_.find(path);
        return found == timerDates_.end() ? std::nullopt : std::optional<Date>(found->second);
    }

    bool isExcluded(std::string_view path) const {
        return std::any_of(excluded_.begin(), excluded_.end(),
                           [&](const std::string& folder) { return isWithinFolder(path, folder); });
    }

    // Files that have a timer but that no rule claimed, soonest deadline first.
    std::vector<MatchedFile> manualFiles() {
        std::vector<MatchedFile> files;
        for (const auto& [file, due] : timers_) {
            const std::string& path = file.native();
            if (claimedTimers_.contains(path) || pins_.contains(path) || isExcluded(path))
                continue;
            const auto facts = readFileFacts(AT_FDCWD, path.c_str());
            if (!facts || !facts->isRegularFile)
                continue;
            if (!isValidUtf8(path)) {
                unrecordable_.insert(path);
                continue;
            }
            // Linux keeps no date of being added to a folder; the modification date stands in.
            const Date basis = facts->modification.value_or(now_);
            files.emplace_back(file, facts->size, basis, PurgeRule::manualID(), now_ >= due, due);
        }
        std::stable_sort(
            files.begin(), files.end(),
            [](const MatchedFile& a, const MatchedFile& b) { return a.deadline < b.deadline; });
        return files;
    }

    const fs::path& home_;
    const std::vector<std::string>& excluded_;
    const std::map<fs::path, Date>& timers_;
    const Date now_;
    std::set<std::string, std::less<>> pins_;
    std::map<std::string, Date, std::less<>> timerDates_;
    std::unordered_map<std::string, std::string> folderKeys_; // rule folder text -> walk key
    std::map<std::string, WalkedFolder> folders_; // nodes never move: paths are viewed in place
    std::unordered_set<std::string_view> sharedClaims_;
    std::set<std::string_view> claimedTimers_;
    std::unordered_set<std::string_view> unrecordable_;
};

} // namespace

Scanner::Scanner(fs::path home, std::vector<fs::path> excluded)
    : home_(std::move(home)), excluded_(std::move(excluded)) {}

ScanReport Scanner::scan(const std::vector<PurgeRule>& rules, const std::set<fs::path>& pins,
                         const std::map<fs::path, Date>& timers, Date now) const {
    std::vector<std::string> excluded;
    for (const auto& folder : excluded_)
        if (!folder.empty())
            excluded.push_back(withoutTrailingSlashes(folder.native()));
    return ScanPass(home_, excluded, pins, timers, now).run(rules);
}

} // namespace dustlyn
