// What the views ask the model: the files leaving soon, why, and the month's figures.
#include "app/model/AppModel.h"

#include "app/model/ConfigurationEdits.h"

#include <algorithm>
#include <map>

namespace dustlyn {

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
    if (config().timers.contains(file.url))
        return "Your timer";
    const PurgeRule* rule = file.ruleID == PurgeRule::manualID()
                                ? &PurgeRule::manual()
                                : ConfigurationEdits::rule(config(), file.ruleID);
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
    return HistoryStore::stats(history(), startOfLocalMonth(now()));
}

std::int64_t AppModel::quarantinedSize() const {
    std::int64_t total = 0;
    for (const auto& file : quarantined_)
        total += file.size;
    return total;
}

std::vector<std::string> AppModel::notices() const {
    std::vector<std::string> lines = configuration_.notices();
    const auto& historyNotices = history_.notices();
    lines.insert(lines.end(), historyNotices.begin(), historyNotices.end());
    return lines;
}

} // namespace dustlyn
