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
    std::vector<std::size_t> rules; // indices of the enabled rules listing it, in rule order
    DirectoryWalk walk;
    std::vector<char> claimed; // by index into walk.files()
    // Another walked folder contains this one or lies inside it, so the same file may be
    // met through both, and claims must also be looked up by path.
    bool overlapsAnother = false;

    // Which of the walk's matchers is `rule`'s.
    std::uint32_t matcherOf(std::size_t rule) const {
        return static_cast<std::uint32_t>(std::find(rules.begin(), rules.end(), rule) -
                                          rules.begin());
    }
};

// Where a scan's claims go: kept compactly (ScanClaims), or made into the report's
// MatchedFiles as they come, for the model, which keeps only the report.
class ReportBuilder {
public:
    void startGroup(const PurgeRule& rule, const std::string& folder, std::size_t mostFiles) {
        report_.results.push_back({rule, folder, {}});
        report_.results.back().files.reserve(mostFiles);
    }
    void add(const ScanClaims::Claim& claim, std::optional<Date> modified) {
        ScanResult& result = report_.results.back();
        result.files.emplace_back(std::string(claim.path), claim.size, claim.ageBasisDate,
                                  result.rule.id, claim.isEligible, claim.deadline);
        result.files.back().modificationDate = modified;
        report_.matchedCount += 1;
        report_.totalSize += claim.size;
    }
    void endGroup() {
        if (report_.results.back().files.empty())
            report_.results.pop_back();
    }
    // Paths are copied as claims come, so nothing needs keeping.
    std::string_view keepPath(std::string_view path) { return path; }
    void keep(DirectoryWalk) {}
    void setUnrecordableCount(std::int64_t count) { report_.unrecordableCount = count; }

    ScanReport take() { return std::move(report_); }

private:
    ScanReport report_;
};

// The compact form leaves the modification date out; only a sweep needs it.
void addClaim(ScanClaims& claims, const ScanClaims::Claim& claim, std::optional<Date>) {
    claims.add(claim);
}

void addClaim(ReportBuilder& report, const ScanClaims::Claim& claim, std::optional<Date> modified) {
    report.add(claim, modified);
}

// The state of one scan: the walked folders and everything claimed so far, handed to `Sink`
// (ScanClaims or ReportBuilder).
template <class Sink> class ScanPass {
public:
    ScanPass(const fs::path& home, const std::vector<std::string>& excluded,
             const std::set<fs::path>& pins, const std::map<fs::path, Date>& timers, Date now,
             DirectoryWalk::Listener* listener = nullptr)
        : home_(home), excluded_(excluded), timers_(timers), now_(now), listener_(listener) {
        for (const auto& pin : pins)
            pins_.insert(pin.native());
        for (const auto& [file, due] : timers)
            timerDates_.emplace(file.native(), due);
    }

    Sink run(const std::vector<PurgeRule>& rules) {
        for (const auto& rule : rules)
            matchers_.emplace_back(rule.enabled ? rule.matchers : std::vector<FileMatcher>{});
        walkFolders(rules);
        for (std::size_t index = 0; index < rules.size(); ++index) {
            const PurgeRule& rule = rules[index];
            if (!rule.enabled)
                continue;
            for (const auto& folder : rule.folders) {
                const auto found = folders_.find(folderKeys_.at(folder));
                if (found == folders_.end())
                    continue;
                claims_.startGroup(rule, folder, mostClaims(index, found->second));
                claimFiles(index, rule, found->second);
                claims_.endGroup();
            }
        }
        claims_.startGroup(PurgeRule::manual(), "", timers_.size());
        addManualFiles();
        claims_.endGroup();
        for (auto& [key, folder] : folders_)
            claims_.keep(std::move(folder.walk));
        claims_.setUnrecordableCount(static_cast<std::int64_t>(unrecordable_.size()));
        return std::move(claims_);
    }

private:
    // Walks every folder that an enabled rule lists, once, however many rules list it. The
    // walk reads only the files one of those rules may take by name.
    void walkFolders(const std::vector<PurgeRule>& rules) {
        for (std::size_t index = 0; index < rules.size(); ++index) {
            if (!rules[index].enabled)
                continue;
            for (const auto& folder : rules[index].folders) {
                if (!folderKeys_.contains(folder))
                    folderKeys_.emplace(folder, folderKey(folder));
                const std::string& key = folderKeys_.at(folder);
                if (key.empty())
                    continue;
                auto& listing = folders_[key].rules;
                if (listing.empty() || listing.back() != index)
                    listing.push_back(index);
            }
        }
        for (auto& [key, folder] : folders_) {
            std::vector<const NameMatcher*> matchers;
            for (const std::size_t rule : folder.rules)
                matchers.push_back(&matchers_[rule]);
            folder.walk = DirectoryWalk::run(key, excluded_, matchers, listener_);
            folder.claimed.assign(folder.walk.files().size(), 0);
            folder.overlapsAnother = overlapsAnother(key);
            unrecordable_.insert(folder.walk.unrecordable().begin(),
                                 folder.walk.unrecordable().end());
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

    // How many files of the folder the rule may still take: room made once, not by doubling.
    std::size_t mostClaims(std::size_t ruleIndex, const WalkedFolder& folder) const {
        const std::uint32_t matcher = folder.matcherOf(ruleIndex);
        std::size_t count = 0;
        for (std::size_t index = 0; index < folder.claimed.size(); ++index)
            count += !folder.claimed[index] && folder.walk.files()[index].firstMatcher <= matcher;
        return count;
    }

    void claimFiles(std::size_t ruleIndex, const PurgeRule& rule, WalkedFolder& folder) {
        const auto& walked = folder.walk.files();
        const std::uint32_t matcher = folder.matcherOf(ruleIndex);
        for (std::size_t index = 0; index < walked.size(); ++index) {
            const auto& file = walked[index];
            if (isClaimed(folder, index) || !accepts(ruleIndex, matcher, file))
                continue;
            if (pins_.contains(file.path))
                continue;
            const auto basis =
                rule.ageBasis == AgeBasis::creation ? file.creation() : file.modification();
            if (!basis)
                continue;
            const std::optional<Date> timer = timerFor(file.path);
            const Date deadline = timer ? *timer : dateAfter(*basis, rule.ageThreshold);
            addClaim(claims_, {file.path, file.size, *basis, deadline, now_ >= deadline},
                     file.modification());
            claim(folder, index, file.path, timer.has_value());
        }
    }

    // The walk noted the first of the folder's rules to accept the name; the rules before it
    // refused it, and a later one is asked only when that first one left the file unclaimed.
    bool accepts(std::size_t ruleIndex, std::uint32_t matcher,
                 const DirectoryWalk::File& file) const {
        if (file.firstMatcher == matcher)
            return true;
        return file.firstMatcher < matcher && matchers_[ruleIndex].matches(file.name());
    }

    bool isClaimed(const WalkedFolder& folder, std::size_t index) const {
        if (folder.claimed[index])
            return true;
        return folder.overlapsAnother && sharedClaims_.contains(folder.walk.files()[index].path);
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
    void addManualFiles() {
        std::vector<std::pair<ScanClaims::Claim, std::optional<Date>>> files;
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
            files.push_back({{path, facts->size, basis, due, now_ >= due}, facts->modification});
        }
        std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            return a.first.deadline < b.first.deadline;
        });
        for (auto& [file, modified] : files) {
            file.path = claims_.keepPath(file.path);
            if (listener_)
                listener_->found(file.path);
            addClaim(claims_, file, modified);
        }
    }

    const fs::path& home_;
    const std::vector<std::string>& excluded_;
    const std::map<fs::path, Date>& timers_;
    const Date now_;
    DirectoryWalk::Listener* listener_;
    std::vector<NameMatcher> matchers_; // by rule index; empty for disabled rules
    std::set<std::string, std::less<>> pins_;
    std::map<std::string, Date, std::less<>> timerDates_;
    std::unordered_map<std::string, std::string> folderKeys_; // rule folder text -> walk key
    std::map<std::string, WalkedFolder> folders_;
    std::unordered_set<std::string_view> sharedClaims_;
    std::set<std::string_view> claimedTimers_;
    std::unordered_set<std::string_view> unrecordable_;
    Sink claims_;
};

} // namespace

Scanner::Scanner(fs::path home, std::vector<fs::path> excluded)
    : home_(std::move(home)), excluded_(std::move(excluded)) {}

std::vector<std::string> Scanner::excludedFolders() const {
    std::vector<std::string> excluded;
    for (const auto& folder : excluded_)
        if (!folder.empty())
            excluded.push_back(withoutTrailingSlashes(folder.native()));
    return excluded;
}

ScanClaims Scanner::claim(const std::vector<PurgeRule>& rules, const std::set<fs::path>& pins,
                          const std::map<fs::path, Date>& timers, Date now,
                          DirectoryWalk::Listener* listener) const {
    const std::vector<std::string> excluded = excludedFolders();
    return ScanPass<ScanClaims>(home_, excluded, pins, timers, now, listener).run(rules);
}

ScanReport Scanner::scan(const std::vector<PurgeRule>& rules, const std::set<fs::path>& pins,
                         const std::map<fs::path, Date>& timers, Date now) const {
    return ScanPass<ReportBuilder>(home_, excludedFolders(), pins, timers, now).run(rules).take();
}

} // namespace dustlyn
