#include "app/model/SweepRecords.h"

#include <string_view>
#include <unordered_map>

namespace dustlyn {

ScanReport SweepRecords::toMove(const ScanReport& scan, bool everything) {
    ScanReport chosen;
    for (const auto& result : scan.results) {
        ScanResult files{result.rule, result.folder,
                         everything ? result.files : result.eligibleFiles()};
        if (files.files.empty())
            continue;
        for (const auto& file : files.files) {
            chosen.matchedCount += 1;
            chosen.totalSize += file.size;
        }
        chosen.results.push_back(std::move(files));
    }
    return chosen;
}

QuarantineReport SweepRecords::allFailed(const ScanReport& toMove, const std::string& message) {
    QuarantineReport report;
    for (const auto& result : toMove.results)
        for (const auto& file : result.files)
            report.outcomes.push_back({file.url, std::nullopt, false, message});
    report.failedCount = static_cast<std::int64_t>(report.outcomes.size());
    return report;
}

std::vector<HistoryEntry> SweepRecords::ofMoves(const ScanReport& moved,
                                                const QuarantineReport& report, const Uuid& sweepID,
                                                Date stamp) {
    std::vector<HistoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(report.movedCount));
    const std::vector<Uuid> ids = Uuid::randomMany(static_cast<std::size_t>(report.movedCount));
    std::size_t at = 0;
    for (const auto& result : moved.results) {
        for (const auto& file : result.files) {
            const QuarantineOutcome& outcome = report.outcomes.at(at++);
            if (!outcome.success || !outcome.quarantined)
                continue;
            entries.push_back({ids.at(entries.size()), stamp, HistoryEntry::Kind::quarantined,
                               outcome.original, *outcome.quarantined, file.size, result.rule.name,
                               sweepID});
        }
    }
    return entries;
}

std::vector<HistoryEntry> SweepRecords::ofDeletions(const PurgeReport& report,
                                                    const std::vector<HistoryEntry>& history,
                                                    Date stamp) {
    // Where each quarantine path came from, the newest record winning, as originalPath()
    // would answer it: looked up once per deleted file rather than by a walk of the history.
    std::unordered_map<std::string_view, const std::string*> origins;
    for (const auto& entry : history)
        if (entry.kind == HistoryEntry::Kind::quarantined)
            origins[entry.quarantinePath] = &entry.originalPath;
    const std::vector<Uuid> ids = Uuid::randomMany(static_cast<std::size_t>(report.purgedCount));
    std::vector<HistoryEntry> entries;
    for (const auto& outcome : report.outcomes) {
        if (!outcome.success)
            continue;
        const std::string& path = outcome.file.url;
        const auto origin = origins.find(path);
        entries.push_back({ids.at(entries.size()), stamp, HistoryEntry::Kind::deleted,
                           origin == origins.end() ? path : *origin->second, path,
                           outcome.file.size, "", std::nullopt});
    }
    return entries;
}

SweepSummary SweepRecords::summary(const Uuid& sweepID, const QuarantineReport& moved) {
    SweepSummary summary{sweepID, {}, moved.movedCount, moved.movedSize, std::nullopt};
    for (const auto& outcome : moved.outcomes) {
        if (!outcome.success)
            continue;
        summary.movedURLs.push_back(outcome.original);
        if (!summary.sample)
            summary.sample = outcome.quarantined;
    }
    return summary;
}

} // namespace dustlyn
