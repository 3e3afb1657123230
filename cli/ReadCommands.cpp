#include "cli/ReadCommands.h"

#include "app/insights/ClockPhrase.h"
#include "app/insights/FileInsights.h"
#include "app/instance/Plural.h"
#include "app/model/RuleWords.h"
#include "app/model/ScreenshotLocations.h"
#include "cli/PrettyJson.h"
#include "cli/ScanListing.h"
#include "cli/SourceHosts.h"
#include "cli/TextTable.h"
#include "core/base/ByteCount.h"
#include "core/base/Paths.h"
#include "core/config/ConfigurationStore.h"
#include "core/history/HistoryStore.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/QuarantineScanner.h"
#include "core/scan/Scanner.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <limits>
#include <unordered_map>

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

std::string_view dateText(std::string& scratch, Date date) {
    scratch.clear();
    appendRfc3339(scratch, date);
    return scratch;
}

ScanClaims claimWith(const Environment& environment, const Configuration& config, Date at,
                     DirectoryWalk::Listener* listener = nullptr) {
    const fs::path& home = environment.folders.home;
    const Scanner scanner(home,
                          config.excludedFolders(home, environment.folders.supportDirectory()));
    return scanner.claim(config.rules, config.pinURLs(home), config.timerURLs(home), at, listener);
}

// Where each quarantined file came from: the newest "quarantined" entry for its path, as
// HistoryStore::originalPath answers, looked up once per listing instead of once per file.
class Origins {
public:
    explicit Origins(const std::vector<HistoryEntry>& history) {
        for (const auto& entry : history)
            if (entry.kind == HistoryEntry::Kind::quarantined)
                byQuarantinePath_[entry.quarantinePath] = &entry.originalPath;
    }

    const std::string* of(const std::string& quarantinePath) const {
        const auto found = byQuarantinePath_.find(quarantinePath);
        return found == byQuarantinePath_.end() ? nullptr : found->second;
    }

private:
    std::unordered_map<std::string_view, const std::string*> byQuarantinePath_;
};

void writeQuarantineJson(const std::vector<QuarantinedFile>& files, BufferedOutput& out) {
    PrettyJson json(out.text());
    std::string date;
    json.beginArray();
    for (const auto& file : files) {
        json.beginObject();
        json.key("id");
        json.value(file.id.text());
        json.key("url");
        json.value(file.url);
        json.key("size");
        json.value(file.size);
        json.key("quarantinedDate");
        json.value(dateText(date, file.quarantinedDate));
        json.key("expiresDate");
        json.value(dateText(date, file.expiresDate));
        json.key("isExpired");
        json.value(file.isExpired);
        json.endObject();
        out.wrote();
    }
    json.endArray();
    out.line("");
}

template <class Entries> void writeHistoryJson(const Entries& entries, BufferedOutput& out) {
    PrettyJson json(out.text());
    std::string date;
    json.beginArray();
    for (const HistoryEntry& entry : entries) {
        json.beginObject();
        json.key("id");
        json.value(entry.id.text());
        json.key("date");
        json.value(dateText(date, entry.date));
        json.key("kind");
        json.value(kindText(entry.kind));
        json.key("originalPath");
        json.value(entry.originalPath);
        json.key("quarantinePath");
        json.value(entry.quarantinePath);
        json.key("size");
        json.value(entry.size);
        json.key("ruleName");
        json.value(entry.ruleName);
        if (entry.sweepID) {
            json.key("sweepID");
            json.value(entry.sweepID->text());
        }
        json.endObject();
        out.wrote();
    }
    json.endArray();
    out.line("");
}

// The newest `limit` entries of the history, newest first, without copying them.
class NewestFirst {
public:
    NewestFirst(const std::vector<HistoryEntry>& entries, std::size_t limit)
        : begin_(entries.rbegin()),
          end_(entries.rbegin() + static_cast<std::ptrdiff_t>(std::min(limit, entries.size()))) {}
    auto begin() const { return begin_; }
    auto end() const { return end_; }
    bool empty() const { return begin_ == end_; }

private:
    std::vector<HistoryEntry>::const_reverse_iterator begin_, end_;
};

} // namespace

Configuration ReadCommands::loadConfiguration() const {
    const auto store = ConfigurationStore::defaultStore(environment_.folders);
    // Read-only commands write nothing, not even a copy of a damaged file.
    ConfigurationReadout readout = store.inspect();
    for (const auto& notice : readout.notices(store.url()))
        err_.line("dustlyn: " + notice);
    ScreenshotLocations::adopt(readout.configuration, environment_.folders);
    return std::move(readout.configuration);
}

std::vector<HistoryEntry> ReadCommands::loadHistory() const {
    const auto store = HistoryStore::defaultStore(environment_.folders);
    HistoryReadout readout = store.read();
    if (const auto notice = readout.notice(store.url()))
        err_.line("dustlyn: " + *notice);
    return std::move(readout.entries);
}

int ReadCommands::run(const CommandLine& line) const {
    if (line.command == "scan")
        return scan(line);
    if (line.command == "quarantine")
        return quarantine(line);
    if (line.command == "history")
        return history(line);
    if (line.command == "rules")
        return rules(line);
    if (line.command == "kept")
        return kept(line);
    if (line.command == "timers")
        return timers(line);
    return statusNotRunning(line);
}

int ReadCommands::scan(const CommandLine& line) const {
    Date at = now_;
    if (const auto text = line.value("--at")) {
        const auto parsed = CommandLine::parseTime(*text);
        if (!parsed) {
            err_.line("dustlyn scan: --at wants an ISO 8601 time such as 2026-03-01T09:30:00Z "
                      "or 2026-03-01T09:30 (local), not '" +
                      *text + "'");
            return 2;
        }
        at = *parsed;
    }
    const Configuration config = loadConfiguration();
    // Each file's host is looked up beside the walk, as the walk finds it.
    SourceHosts hosts;
    const ScanClaims claims = claimWith(environment_, config, at, &hosts);
    const ScanListing listing(claims, at);
    if (line.has("--json"))
        listing.writeJson(out_, hosts);
    else
        listing.writeText(out_, hosts);
    return 0;
}

int ReadCommands::quarantine(const CommandLine& line) const {
    const auto& folders = environment_.folders;
    const Configuration config = loadConfiguration();
    const auto files =
        QuarantineScanner().scanAll(config.quarantineURL(folders.home), config.quarantineTTL, now_);
    if (line.has("--json")) {
        writeQuarantineJson(files, out_);
        return 0;
    }
    if (files.empty()) {
        out_.line("The quarantine is empty.");
        return 0;
    }
    const auto history = loadHistory();
    const Origins origins(history);
    const ClockPhrase clock(now_, ClockPhrase::Past::dates);
    const auto cellsOf = [&](const QuarantinedFile& file) {
        const std::string* origin = origins.of(file.url);
        return std::array<std::string, 5>{
            file.isExpired ? "expired"
                           : "expires in " + FileInsights::countdown(file.secondsUntilExpiry(now_)),
            clock.text(file.expiresDate), file.sizeFormatted(), file.url,
            origin ? "from " + abbreviateHome(*origin, folders.home) : "origin unknown"};
    };
    TextTable table({false, false, true, false, false});
    std::int64_t total = 0;
    for (const auto& file : files) {
        total += file.size;
        const auto cells = cellsOf(file);
        table.measure({cells[0], cells[1], cells[2], cells[3], cells[4]});
    }
    for (const auto& file : files) {
        const auto cells = cellsOf(file);
        table.write({cells[0], cells[1], cells[2], cells[3], cells[4]}, out_.text());
        out_.wrote();
    }
    out_.line(plural(static_cast<std::int64_t>(files.size()), "file") + " in quarantine (" +
              formatByteCount(total) + "), kept for " + config.quarantineTTLFormatted() + ".");
    return 0;
}

int ReadCommands::history(const CommandLine& line) const {
    std::size_t limit = std::numeric_limits<std::size_t>::max();
    if (const auto text = line.value("--limit")) {
        std::size_t parsed = 0;
        const auto [ptr, error] =
            std::from_chars(text->data(), text->data() + text->size(), parsed);
        if (error != std::errc() || ptr != text->data() + text->size()) {
            err_.line("dustlyn history: --limit wants a whole number, such as --limit 20");
            return 2;
        }
        limit = parsed;
    }
    loadConfiguration();
    const auto stored = loadHistory();
    const NewestFirst entries(stored, limit);
    if (line.has("--json")) {
        writeHistoryJson(entries, out_);
        return 0;
    }
    if (entries.empty()) {
        out_.line("The history is empty.");
        return 0;
    }
    // A move names its rule and the sweep that `dustlyn undo` takes.
    const auto cellsOf = [](const HistoryEntry& entry) {
        const bool restored = entry.kind == HistoryEntry::Kind::restored;
        return std::array<std::string, 7>{localDateTime(entry.date),
                                          kindText(entry.kind),
                                          formatByteCount(entry.size),
                                          entry.fileName(),
                                          (restored ? "to " : "from ") + entry.originalPath,
                                          entry.ruleName.empty() ? "" : "by " + entry.ruleName,
                                          entry.sweepID ? "sweep " + entry.sweepID->text() : ""};
    };
    TextTable table({false, false, true, false, false, false, false});
    for (const auto& entry : entries) {
        const auto c = cellsOf(entry);
        table.measure({c[0], c[1], c[2], c[3], c[4], c[5], c[6]});
    }
    for (const auto& entry : entries) {
        const auto c = cellsOf(entry);
        table.write({c[0], c[1], c[2], c[3], c[4], c[5], c[6]}, out_.text());
        out_.wrote();
    }
    return 0;
}

int ReadCommands::rules(const CommandLine& line) const {
    const Configuration config = loadConfiguration();
    if (line.has("--json")) {
        nlohmann::json array = nlohmann::json::array();
        for (const auto& rule : config.rules)
            array.push_back(toJson(rule));
        out_.line(array.dump(2));
        return 0;
    }
    if (config.rules.empty()) {
        out_.line("There are no rules.");
        return 0;
    }
    TextTable table;
    for (const auto& rule : config.rules)
        table.measure({rule.enabled ? "on" : "off", rule.name, RuleWords::text(rule)});
    for (const auto& rule : config.rules)
        table.write({rule.enabled ? "on" : "off", rule.name, RuleWords::text(rule)}, out_.text());
    return 0;
}

int ReadCommands::kept(const CommandLine& line) const {
    const Configuration config = loadConfiguration();
    if (line.has("--json")) {
        out_.line(nlohmann::json(config.pins).dump(2));
        return 0;
    }
    if (config.pins.empty()) {
        out_.line("No file is kept.");
        return 0;
    }
    for (const auto& pin : config.pins) {
        const bool gone = !itemExists(expandTilde(pin, environment_.folders.home));
        out_.line(gone ? pin + "  (gone)" : pin);
    }
    return 0;
}

int ReadCommands::timers(const CommandLine& line) const {
    const Configuration config = loadConfiguration();
    if (line.has("--json")) {
        nlohmann::ordered_json timers = nlohmann::ordered_json::object();
        std::string date;
        for (const auto& [path, due] : config.timers)
            timers[path] = std::string(dateText(date, due));
        out_.line(timers.dump(2));
        return 0;
    }
    if (config.timers.empty()) {
        out_.line("No file has a timer.");
        return 0;
    }
    std::vector<std::pair<Date, const std::string*>> soonestFirst;
    for (const auto& [path, due] : config.timers)
        soonestFirst.emplace_back(due, &path);
    std::stable_sort(soonestFirst.begin(), soonestFirst.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const ClockPhrase clock(now_, ClockPhrase::Past::dates);
    TextTable table;
    const auto cellsOf = [&](Date due) {
        return std::array<std::string, 2>{
            due <= now_ ? "due now" : "in " + FileInsights::countdown(secondsBetween(now_, due)),
            clock.text(due)};
    };
    for (const auto& [due, path] : soonestFirst) {
        const auto cells = cellsOf(due);
        table.measure({cells[0], cells[1], *path});
    }
    for (const auto& [due, path] : soonestFirst) {
        const auto cells = cellsOf(due);
        table.write({cells[0], cells[1], *path}, out_.text());
    }
    return 0;
}

int ReadCommands::statusNotRunning(const CommandLine& line) const {
    const Configuration config = loadConfiguration();
    const ScanClaims claims = claimWith(environment_, config, now_);
    const auto next = ScanListing(claims, now_).next();
    if (line.has("--json")) {
        nlohmann::ordered_json status;
        status["running"] = false;
        status["paused"] = false;
        status["leaving"] = claims.matchedCount();
        if (next)
            status["next"] = toJson(*next);
        out_.line(status.dump(2));
        return 0;
    }
    out_.line("Dustlyn is not running (start it with `dustlyn --headless`).");
    if (!next) {
        out_.line("Nothing would leave.");
        return 0;
    }
    out_.line(plural(claims.matchedCount(), "file") + " would leave; next: " + next->url + " " +
              (next->isEligible
                   ? "(due now)"
                   : "in " + FileInsights::countdown(secondsBetween(now_, next->deadline)) + " (" +
                         ClockPhrase(now_, ClockPhrase::Past::dates).text(next->deadline) + ")"));
    return 0;
}

} // namespace dustlyn
