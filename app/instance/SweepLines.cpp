#include "app/instance/SweepLines.h"

#include "app/instance/Plural.h"
#include "core/base/ByteCount.h"

#include <unordered_map>

namespace dustlyn {

namespace {

void listFiles(const std::vector<std::string>& paths, SweepLines::Detail detail,
               CommandOutput& output) {
    const std::size_t shown = detail == SweepLines::Detail::verbose
                                  ? paths.size()
                                  : std::min(paths.size(), SweepLines::listedFiles);
    for (std::size_t i = 0; i < shown; ++i)
        output.line("  " + paths[i]);
    if (shown < paths.size())
        output.line("  … and " + std::to_string(paths.size() - shown) + " more");
}

// Where each deleted file came from: the sweep's own "deleted" entries, the newest ones.
std::vector<std::string> deletedOrigins(const PurgeReport& purged,
                                        const std::vector<HistoryEntry>& history) {
    std::unordered_map<std::string, const std::string*> origins;
    std::size_t wanted = static_cast<std::size_t>(purged.purgedCount);
    for (auto entry = history.rbegin(); entry != history.rend() && origins.size() < wanted; ++entry)
        if (entry->kind == HistoryEntry::Kind::deleted)
            origins.emplace(entry->quarantinePath, &entry->originalPath);
    std::vector<std::string> paths;
    for (const auto& outcome : purged.outcomes) {
        if (!outcome.success)
            continue;
        const auto found = origins.find(outcome.file.url);
        paths.push_back(found == origins.end() ? outcome.file.url : *found->second);
    }
    return paths;
}

void failures(const QuarantineReport& moved, const PurgeReport& purged, CommandOutput& output) {
    for (const auto& outcome : moved.outcomes)
        if (!outcome.success)
            output.fail(1, "Could not move " + outcome.original + ": " +
                               outcome.error.value_or("unknown error"));
    for (const auto& outcome : purged.outcomes)
        if (!outcome.success)
            output.fail(1, "Could not delete " + outcome.file.url + ": " +
                               outcome.error.value_or("unknown error"));
}

} // namespace

SweepLines::Detail SweepLines::detailAsked(const CommandLine& line) {
    if (line.has("--quiet"))
        return Detail::quiet;
    return line.has("--verbose") ? Detail::verbose : Detail::normal;
}

CommandOutput SweepLines::describe(const QuarantineReport& moved, const PurgeReport& purged,
                                   const std::optional<Uuid>& sweepID,
                                   const std::vector<HistoryEntry>& history, Detail detail) {
    CommandOutput output;
    if (detail != Detail::quiet && moved.movedCount > 0) {
        output.line("Moved " + plural(moved.movedCount, "file") + " to quarantine (" +
                    formatByteCount(moved.movedSize) + "):");
        std::vector<std::string> paths;
        for (const auto& outcome : moved.outcomes)
            if (outcome.success)
                paths.push_back(outcome.original);
        listFiles(paths, detail, output);
    }
    if (detail != Detail::quiet && purged.purgedCount > 0) {
        output.line("Deleted " + plural(purged.purgedCount, "file") +
                    " from quarantine for good (" + formatByteCount(purged.purgedSize) + "):");
        listFiles(deletedOrigins(purged, history), detail, output);
    }
    if (detail != Detail::quiet && moved.movedCount > 0 && sweepID)
        output.line(std::string(moved.movedCount == 1 ? "To put it back" : "To put them back") +
                    ": dustlyn undo " + sweepID->text());
    failures(moved, purged, output);
    if (detail == Detail::verbose && moved.outcomes.empty() && purged.outcomes.empty())
        output.line("Nothing was due.");
    return output;
}

CommandOutput SweepLines::besides(const std::filesystem::path& asked, const QuarantineReport& moved,
                                  const PurgeReport& purged, const std::optional<Uuid>& sweepID,
                                  const std::vector<HistoryEntry>& history) {
    QuarantineReport others;
    for (const auto& outcome : moved.outcomes)
        if (outcome.original != asked)
            others.outcomes.push_back(outcome);
    CommandOutput output = describe(others, purged, std::nullopt, history, Detail::quiet);
    output.exitCode = 0;
    std::vector<std::string> paths;
    for (const auto& outcome : others.outcomes)
        if (outcome.success)
            paths.push_back(outcome.original);
    CommandOutput listed;
    if (!paths.empty()) {
        listed.line("Also moved " + plural(std::int64_t(paths.size()), "file") + " that " +
                    (paths.size() == 1 ? "was" : "were") + " due:");
        listFiles(paths, Detail::normal, listed);
        if (sweepID)
            listed.line("To put them all back: dustlyn undo " + sweepID->text());
    }
    // Moves and deletions alike: "Deleted N files from quarantine for good (…):" and its list.
    listed.out += describe({}, purged, std::nullopt, history, Detail::normal).out;
    output.out = listed.out;
    return output;
}

} // namespace dustlyn
