#include "app/model/SweepRecords.h"

#include "core/history/HistoryStore.h"
#include "core/quarantine/FileSystemCalls.h"

#include <stdexcept>
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

SweepRecords::Foreseen SweepRecords::foresee(const ScanReport& toMove,
                                             const std::filesystem::path& quarantine,
                                             const Uuid& sweepID, Date stamp) {
    std::string folder = quarantine.native();
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    std::size_t count = 0;
    for (const auto& result : toMove.results)
        count += result.files.size();
    Foreseen records;
    records.entries.reserve(count);
    const std::vector<Uuid> ids = Uuid::randomMany(count);
    for (const auto& result : toMove.results)
        for (const auto& file : result.files)
            records.entries.push_back(
                {ids.at(records.entries.size()), stamp, HistoryEntry::Kind::quarantined, file.url,
                 folder + std::string(nameText(file.url)), file.size, result.rule.name, sweepID});
    try {
        records.encoded =
            std::make_shared<const std::string>(HistoryStore::encode(records.entries));
    } catch (const std::invalid_argument&) {
        // The store meets the same text when it is given the entries, and takes its own way.
    }
    return records;
}

bool SweepRecords::cameTrue(const std::vector<HistoryEntry>& entries,
                            const QuarantineReport& report) {
    if (entries.size() != report.outcomes.size())
        return false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QuarantineOutcome& outcome = report.outcomes[i];
        if (!outcome.success || !outcome.quarantined ||
            *outcome.quarantined != entries[i].quarantinePath ||
            outcome.original != entries[i].originalPath)
            return false;
    }
    return true;
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
