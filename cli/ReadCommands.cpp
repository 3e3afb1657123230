#include "cli/ReadCommands.h"

#include "app/insights/FileInsights.h"
#include "app/instance/Plural.h"
#include "app/model/RuleWords.h"
#include "cli/TextTable.h"
#include "core/base/ByteCount.h"
#include "core/base/Paths.h"
#include "core/config/ConfigurationStore.h"
#include "core/history/HistoryStore.h"
#include "core/quarantine/QuarantineScanner.h"
#include "core/scan/Scanner.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <limits>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

std::string localDateTime(Date date) {
    const std::time_t t = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    ::localtime_r(&t, &local);
    char buffer[32];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M", &local);
    return std::string(buffer, n);
}

std::vector<MatchedFile> byDeadline(const ScanReport& report) {
    std::vector<MatchedFile> files;
    for (const auto& result : report.results)
        files.insert(files.end(), result.files.begin(), result.files.end());
    std::stable_sort(files.begin(), files.end(), [](const MatchedFile& a, const MatchedFile& b) {
        return a.deadline < b.deadline;
    });
    return files;
}

std::string ruleNameOf(const ScanReport& report, const Uuid& id) {
    for (const auto& result : report.results)
        if (result.rule.id == id)
            return result.rule.name;
    return {};
}

} // namespace

Configuration ReadCommands::loadConfiguration(CommandOutput& output) const {
    const auto store = ConfigurationStore::defaultStore(environment_.folders);
    // Read-only commands write nothing, not even a copy of a damaged file.
    ConfigurationReadout readout = store.inspect();
    for (const auto& notice : readout.notices(store.url()))
        output.error("dustlyn: " + notice);
    return std::move(readout.configuration);
}

std::vector<HistoryEntry> ReadCommands::loadHistory(CommandOutput& output) const {
    const auto store = HistoryStore::defaultStore(environment_.folders);
    HistoryReadout readout = store.read();
    if (const auto notice = readout.notice(store.url()))
        output.error("dustlyn: " + *notice);
    return std::move(readout.entries);
}

CommandOutput ReadCommands::run(const CommandLine& line) const {
    if (line.command == "scan")
        return scan(line);
    if (line.command == "quarantine")
        return quarantine(line);
    if (line.command == "history")
        return history(line);
    if (line.command == "rules")
        return rules(line);
    return statusNotRunning(line);
}

namespace {

ScanReport scanWith(const Environment& environment, const Configuration& config, Date at) {
    const fs::path& home = environment.folders.home;
    const Scanner scanner(home, {resolvePath(config.quarantineURL(home)),
                                 resolvePath(environment.folders.supportDirectory())});
    return scanner.scan(config.rules, config.pinURLs(home), config.timerURLs(home), at);
}

} // namespace

CommandOutput ReadCommands::scan(const CommandLine& line) const {
    CommandOutput output;
    Date at = now_;
    if (const auto text = line.value("--at")) {
        const auto parsed = CommandLine::parseTime(*text);
        if (!parsed) {
            output.fail(2, "dustlyn scan: --at wants an ISO 8601 time such as 2026-03-01T09:30:00Z "
                           "or 2026-03-01T09:30 (local), not '" +
                               *text + "'");
            return output;
        }
        at = *parsed;
    }
    const Configuration config = loadConfiguration(output);
    const ScanReport report = scanWith(environment_, config, at);
    if (line.has("--json")) {
        output.line(toJson(report).dump(2));
        return output;
    }
    TextTable table({false, false, false, true, false});
    std::int64_t due = 0;
    for (const auto& file : byDeadline(report)) {
        const double left = secondsBetween(at, file.deadline);
        due += file.isEligible ? 1 : 0;
        table.add({file.isEligible ? "due now" : "in " + FileInsights::countdown(left),
                   FileInsights::clock(file.deadline, at),
                   file.isManual() ? "Timer" : ruleNameOf(report, file.ruleID),
                   file.sizeFormatted(), file.url.native()});
    }
    output.out += table.text();
    if (report.matchedCount == 0)
        output.line("Nothing would leave.");
    else
        output.line(plural(report.matchedCount, "file") + " would leave (" +
                    formatByteCount(report.totalSize) + "), " + std::to_string(due) + " due now.");
    if (report.unrecordableCount > 0)
        output.line(plural(report.unrecordableCount, "file") +
                    " left alone: the name is not valid UTF-8, so it could not be recorded.");
    return output;
}

CommandOutput ReadCommands::quarantine(const CommandLine& line) const {
    CommandOutput output;
    const auto& folders = environment_.folders;
    const Configuration config = loadConfiguration(output);
    const auto files =
        QuarantineScanner().scanAll(config.quarantineURL(folders.home), config.quarantineTTL, now_);
    if (line.has("--json")) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& file : files)
            array.push_back(toJson(file));
        output.line(array.dump(2));
        return output;
    }
    if (files.empty()) {
        output.line("The quarantine is empty.");
        return output;
    }
    const auto history = loadHistory(output);
    TextTable table({false, false, true, false, false});
    std::int64_t total = 0;
    for (const auto& file : files) {
        total += file.size;
        const auto origin = HistoryStore::originalPath(file.url.native(), history);
        table.add({file.isExpired
                       ? "expired"
                       : "expires in " + FileInsights::countdown(file.secondsUntilExpiry(now_)),
                   FileInsights::clock(file.expiresDate, now_), file.sizeFormatted(),
                   file.url.native(),
                   origin ? "from " + abbreviateHome(*origin, folders.home) : "origin unknown"});
    }
    output.out += table.text();
    output.line(plural(static_cast<std::int64_t>(files.size()), "file") + " in quarantine (" +
                formatByteCount(total) + "), kept for " + config.quarantineTTLFormatted() + ".");
    return output;
}

CommandOutput ReadCommands::history(const CommandLine& line) const {
    CommandOutput output;
    std::size_t limit = std::numeric_limits<std::size_t>::max();
    if (const auto text = line.value("--limit")) {
        std::size_t parsed = 0;
        const auto [ptr, error] =
            std::from_chars(text->data(), text->data() + text->size(), parsed);
        if (error != std::errc() || ptr != text->data() + text->size()) {
            output.fail(2, "dustlyn history: --limit wants a whole number, such as --limit 20");
            return output;
        }
        limit = parsed;
    }
    loadConfiguration(output);
    auto entries = loadHistory(output);
    std::reverse(entries.begin(), entries.end());
    if (entries.size() > limit)
        entries.resize(limit);
    if (line.has("--json")) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& entry : entries)
            array.push_back(toJson(entry));
        output.line(array.dump(2));
        return output;
    }
    if (entries.empty()) {
        output.line("The history is empty.");
        return output;
    }
    TextTable table({false, false, true, false, false});
    for (const auto& entry : entries) {
        const bool restored = entry.kind == HistoryEntry::Kind::restored;
        table.add({localDateTime(entry.date), kindText(entry.kind), formatByteCount(entry.size),
                   entry.fileName(),
                   restored ? "to " + entry.originalPath : "from " + entry.originalPath});
    }
    output.out += table.text();
    return output;
}

CommandOutput ReadCommands::rules(const CommandLine& line) const {
    CommandOutput output;
    const Configuration config = loadConfiguration(output);
    if (line.has("--json")) {
        nlohmann::json array = nlohmann::json::array();
        for (const auto& rule : config.rules)
            array.push_back(toJson(rule));
        output.line(array.dump(2));
        return output;
    }
    if (config.rules.empty()) {
        output.line("There are no rules.");
        return output;
    }
    TextTable table;
    for (const auto& rule : config.rules)
        table.add({rule.enabled ? "on" : "off", rule.name, RuleWords::text(rule)});
    output.out += table.text();
    return output;
}

CommandOutput ReadCommands::statusNotRunning(const CommandLine& line) const {
    CommandOutput output;
    const Configuration config = loadConfiguration(output);
    const ScanReport report = scanWith(environment_, config, now_);
    const auto files = byDeadline(report);
    if (line.has("--json")) {
        nlohmann::ordered_json status;
        status["running"] = false;
        status["paused"] = false;
        status["leaving"] = report.matchedCount;
        if (!files.empty())
            status["next"] = toJson(files.front());
        output.line(status.dump(2));
        return output;
    }
    output.line("Dustlyn is not running (start it with `dustlyn --headless`).");
    if (files.empty()) {
        output.line("Nothing would leave.");
    } else {
        const auto& next = files.front();
        output.line(plural(report.matchedCount, "file") +
                    " would leave; next: " + next.url.native() + " " +
                    (next.isEligible
                         ? "(due now)"
                         : "in " + FileInsights::countdown(secondsBetween(now_, next.deadline)) +
                               " (" + FileInsights::clock(next.deadline, now_) + ")"));
    }
    return output;
}

} // namespace dustlyn
