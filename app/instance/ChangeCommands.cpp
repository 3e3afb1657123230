#include "app/instance/ChangeCommands.h"

#include "app/instance/CommandDeclaration.h"
#include "app/instance/Plural.h"
#include "app/instance/SweepLines.h"

#include "app/insights/ClockPhrase.h"
#include "app/insights/FileInsights.h"
#include "app/model/AppModel.h"
#include "app/watcher/FolderWatcher.h"
#include "core/base/ByteCount.h"
#include "core/base/Paths.h"
#include "core/base/Utf8.h"
#include "core/quarantine/FileSystemCalls.h"

#include <algorithm>
#include <set>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// A file argument the commands can act on, or the line that says why not. The folders of the
// path are resolved, its last component never: a link is refused, so that naming a link on
// the Desktop can never move, time or keep the file it leads to, wherever that lies.
std::optional<std::string> checkedFile(const std::string& command, const fs::path& path,
                                       CommandOutput& output) {
    const ItemKind kind = itemKind(path);
    if (kind == ItemKind::missing) {
        output.fail(2, "dustlyn " + command + ": no such file: " + path.native());
        return std::nullopt;
    }
    if (kind == ItemKind::link) {
        output.fail(2, "dustlyn " + command + ": " + path.native() +
                           " is a symbolic link; Dustlyn only moves files");
        return std::nullopt;
    }
    // Rules, timers and kept files are about files: a kept or timed folder would say "done"
    // and change nothing for the files in it.
    if (kind != ItemKind::file) {
        output.fail(2, "dustlyn " + command + ": " + path.native() +
                           (kind == ItemKind::folder ? " is a folder" : " is not a regular file") +
                           "; Dustlyn keeps, times and moves files, one by one");
        return std::nullopt;
    }
    const std::string resolved = resolveFolderPart(path).native();
    if (!isValidUtf8(resolved)) {
        output.fail(2, "dustlyn " + command +
                           ": the path is not valid UTF-8, so Dustlyn cannot "
                           "record it and leaves it alone: " +
                           path.native());
        return std::nullopt;
    }
    return resolved;
}

} // namespace

bool ChangeCommands::changes(const std::string& command) {
    const auto* declaration = CommandDeclaration::find(command);
    return declaration && declaration->carrier == Carrier::changes;
}

namespace {

// A command's changes are saved or taken back, whatever happens in between.
class TakingBackUnsaved {
public:
    explicit TakingBackUnsaved(AppModel& model) : model_(model), before_(model.takesBackUnsaved()) {
        model_.setTakeBackUnsaved(true);
    }
    ~TakingBackUnsaved() { model_.setTakeBackUnsaved(before_); }
    TakingBackUnsaved(const TakingBackUnsaved&) = delete;
    TakingBackUnsaved& operator=(const TakingBackUnsaved&) = delete;

private:
    AppModel& model_;
    bool before_;
};

} // namespace

CommandOutput ChangeCommands::run(const CommandLine& line) {
    // Said once, before what the command itself has to say; taken first, since the command
    // may mend what they tell of (a damaged history is set aside at its first write).
    std::string notices;
    for (const auto& notice : model_.notices())
        notices += "dustlyn: " + notice + "\n";
    const auto* declaration = CommandDeclaration::find(line.command);
    CommandOutput output;
    if (!declaration || !declaration->change) {
        output.fail(2, "dustlyn " + line.command + ": not something the running Dustlyn does");
        return output;
    }
    {
        const TakingBackUnsaved guard(model_);
        output = (this->*declaration->change)(line);
    }
    output.err = notices + output.err;
    return output;
}

bool ChangeCommands::unsaved(std::uint64_t failuresBefore, const CommandLine& line,
                             const std::string& outcome, CommandOutput& output) const {
    if (model_.saveFailures() == failuresBefore)
        return false;
    output.fail(1, "dustlyn " + line.command + ": could not save " + model_.store().url().native() +
                       ": " + model_.lastSaveError() + "; " + outcome);
    return true;
}

namespace {

// The caller's progress line follows the sweep's moves while `sink` is set.
class ProgressFollowing {
public:
    ProgressFollowing(AppModel& model, const ChangeCommands::ProgressSink& sink) : model_(model) {
        model_.onSweepProgress = sink;
    }
    ~ProgressFollowing() { model_.onSweepProgress = nullptr; }
    ProgressFollowing(const ProgressFollowing&) = delete;
    ProgressFollowing& operator=(const ProgressFollowing&) = delete;

private:
    AppModel& model_;
};

} // namespace

CommandOutput ChangeCommands::sweep(const CommandLine& line) {
    const bool everything = line.has("--everything");
    const ProgressFollowing following(model_, progress_);
    const auto [moved, purged] =
        model_.sweepNow(everything ? SweepSource::everything : SweepSource::user, everything);
    // The history names where deleted files came from; a sweep that deleted nothing never
    // reads it.
    static const std::vector<HistoryEntry> noHistory;
    if (!line.has("--json"))
        return SweepLines::describe(moved, purged, model_.lastSweepID(),
                                    purged.purgedCount > 0 ? model_.history() : noHistory,
                                    SweepLines::detailAsked(line));
    CommandOutput output;
    nlohmann::ordered_json json;
    json["sweepID"] = model_.lastSweepID() ? model_.lastSweepID()->text() : "";
    json["quarantine"] = toJson(moved);
    json["purge"] = toJson(purged);
    output.line(json.dump(2));
    if (moved.failedCount > 0 || purged.failedCount > 0)
        output.exitCode = 1;
    return output;
}

CommandOutput ChangeCommands::keep(const CommandLine& line) {
    CommandOutput output;
    for (const auto& argument : line.arguments) {
        const auto path = checkedFile("keep", argument, output);
        const auto failures = model_.saveFailures();
        if (!path || !model_.keep(*path))
            continue;
        if (!unsaved(failures, line, *path + " is not kept", output))
            output.line("Keeping " + *path);
    }
    return output;
}

CommandOutput ChangeCommands::unkeep(const CommandLine& line) {
    CommandOutput output;
    for (const auto& argument : line.arguments) {
        const std::string path = resolvePath(argument).native();
        const auto failures = model_.saveFailures();
        if (!model_.removePin(path) && !model_.removePin(argument))
            output.fail(2,
                        "dustlyn unkeep: not a kept file: " + argument + " (see `dustlyn kept`)");
        else if (!unsaved(failures, line, path + " is still kept", output))
            output.line("No longer keeping " + path);
    }
    return output;
}

CommandOutput ChangeCommands::timer(const CommandLine& line) {
    CommandOutput output;
    const auto seconds = CommandLine::parseDuration(line.arguments[1]);
    if (!seconds) {
        output.fail(
            2, "dustlyn timer: '" + line.arguments[1] +
                   "' is not a duration; use a number with s, m, h, d or w, such as 90s or 2d");
        return output;
    }
    const auto path = checkedFile("timer", line.arguments[0], output);
    const auto failures = model_.saveFailures();
    if (!path || !model_.setTimer(*path, *seconds))
        return output;
    if (unsaved(failures, line, "no timer was set on " + *path, output))
        return output;
    const Date due = model_.config().timers.at(*path);
    const Date now = model_.now();
    output.line(*path + " leaves in " + FileInsights::countdown(secondsBetween(now, due)) + " (" +
                FileInsights::clock(due, now) + ")");
    return output;
}

CommandOutput ChangeCommands::removeNow(const CommandLine& line) {
    CommandOutput output;
    const auto path = checkedFile("remove-now", line.arguments[0], output);
    if (!path)
        return output;
    const auto& config = model_.config();
    const bool wasKept =
        std::find(config.pins.begin(), config.pins.end(), *path) != config.pins.end();
    const auto timer = config.timers.find(*path);
    const std::optional<Date> oldTimer =
        timer == config.timers.end() ? std::nullopt : std::optional<Date>(timer->second);
    const auto failures = model_.saveFailures();
    const ProgressFollowing following(model_, progress_);
    if (!model_.removeNow(*path) || unsaved(failures, line, "nothing was moved", output))
        return output;
    const auto& outcomes = model_.lastQuarantine().outcomes;
    const auto mine = std::find_if(outcomes.begin(), outcomes.end(),
                                   [&](const QuarantineOutcome& o) { return o.original == *path; });
    if (mine != outcomes.end() && mine->success) {
        output.line("Moved " + *path + " to " + *mine->quarantined);
        const CommandOutput besides =
            SweepLines::besides(*path, model_.lastQuarantine(), model_.lastPurge(),
                                model_.lastSweepID(), model_.history());
        output.out += besides.out;
        output.err += besides.err;
        return output;
    }
    // The file stays; so does what the user had said about it.
    model_.setFileSettings(*path, wasKept, oldTimer);
    output.fail(1, "Could not move " + *path + ": " +
                       (mine == outcomes.end() ? std::string("no rule or timer could claim it")
                                               : mine->error.value_or("unknown error")));
    return output;
}

namespace {

// The quarantined file meant by `argument`: its path in quarantine, or the place it came from.
std::optional<fs::path> quarantinedFileFor(const AppModel& model, const std::string& argument) {
    const fs::path given = argument;
    // The listing's own path: the one the history records the file's origin under.
    for (const auto& file : model.quarantined())
        if (file.url == given || file.url == resolvePath(given))
            return file.url;
    const auto& history = model.history();
    for (auto entry = history.rbegin(); entry != history.rend(); ++entry)
        if (entry->kind == HistoryEntry::Kind::quarantined && entry->originalPath == argument &&
            itemExists(entry->quarantinePath))
            return fs::path(entry->quarantinePath);
    return std::nullopt;
}

} // namespace

CommandOutput ChangeCommands::restore(const CommandLine& line) {
    CommandOutput output;
    model_.refresh();
    for (const auto& argument : line.arguments) {
        const auto file = quarantinedFileFor(model_, argument);
        if (!file) {
            output.fail(2, "dustlyn restore: not in the quarantine: " + argument +
                               " (see `dustlyn quarantine`)");
            continue;
        }
        const auto failures = model_.saveFailures();
        const auto restored = model_.restore(*file);
        if (!restored) {
            output.fail(1,
                        "Could not restore " + file->native() + ": " + model_.lastRestoreError());
            continue;
        }
        output.line("Restored " + restored->native());
        unsaved(failures, line, restored->native() + " is not kept, so a rule may take it again",
                output);
    }
    return output;
}

namespace {

std::optional<Uuid> newestSweepThatMoved(const std::vector<HistoryEntry>& history) {
    for (auto entry = history.rbegin(); entry != history.rend(); ++entry)
        if (entry->kind == HistoryEntry::Kind::quarantined && entry->sweepID)
            return entry->sweepID;
    return std::nullopt;
}

bool inHistory(const std::vector<HistoryEntry>& history, const Uuid& sweepID) {
    return std::any_of(history.begin(), history.end(),
                       [&](const HistoryEntry& entry) { return entry.sweepID == sweepID; });
}

} // namespace

CommandOutput ChangeCommands::undo(const CommandLine& line) {
    CommandOutput output;
    std::optional<Uuid> sweepID;
    if (line.arguments.empty()) {
        sweepID = newestSweepThatMoved(model_.history());
        if (!sweepID) {
            output.line("No sweep has moved anything yet; nothing to undo.");
            return output;
        }
    } else if (sweepID = Uuid::parse(line.arguments[0]); !sweepID) {
        output.fail(2, "dustlyn undo: '" + line.arguments[0] +
                           "' is not a sweep id (see `dustlyn history`)");
        return output;
    } else if (!inHistory(model_.history(), *sweepID)) {
        output.fail(2, "dustlyn undo: no sweep " + sweepID->text() +
                           " in the history (see `dustlyn history`)");
        return output;
    }
    const auto failures = model_.saveFailures();
    const UndoResult undone = model_.undo(*sweepID);
    for (const auto& restored : undone.restored)
        output.line("Restored " + restored.native());
    // A file that stays behind is one the purge deletes when it expires: say so, each one.
    for (const auto& failure : undone.failed)
        output.fail(1, "Could not restore " + failure.file.native() + ": " + failure.reason);
    if (undone.restored.empty() && undone.failed.empty())
        output.line("Nothing of sweep " + sweepID->text() + " is left in the quarantine.");
    unsaved(failures, line, "the restored files are not kept, so a rule may take them again",
            output);
    return output;
}

CommandOutput ChangeCommands::pause(const CommandLine&) {
    CommandOutput output;
    if (!model_.paused())
        model_.togglePaused();
    output.line("Paused: nothing leaves until `dustlyn resume`.");
    return output;
}

CommandOutput ChangeCommands::resume(const CommandLine&) {
    CommandOutput output;
    if (model_.paused())
        model_.togglePaused();
    output.line("Resumed.");
    return output;
}

CommandOutput ChangeCommands::status(const CommandLine& line) {
    CommandOutput output;
    const auto leaving = model_.leaving();
    const Date now = model_.now();
    if (line.has("--json")) {
        nlohmann::ordered_json json;
        json["running"] = true;
        json["paused"] = model_.paused();
        json["leaving"] = leaving.size();
        if (!leaving.empty())
            json["next"] = toJson(leaving.front());
        if (!model_.lastSaveError().empty())
            json["saveError"] = model_.lastSaveError();
        if (watcher_) {
            const auto watching = watcher_->status();
            json["watched"] = watching.watched.size();
            nlohmann::ordered_json unwatched = nlohmann::ordered_json::array();
            for (const auto& folder : watching.unwatched)
                unwatched.push_back(
                    {{"folder", folder.folder.native()}, {"reason", folder.reason}});
            json["unwatched"] = unwatched;
        }
        output.line(json.dump(2));
        return output;
    }
    output.line(model_.paused() ? "Dustlyn is running, paused." : "Dustlyn is running.");
    if (leaving.empty()) {
        output.line("Nothing is leaving.");
    } else {
        const auto& next = leaving.front();
        output.line(plural(static_cast<std::int64_t>(leaving.size()), "file") +
                    " leaving; next: " + next.url + " in " +
                    FileInsights::countdown(secondsBetween(now, next.deadline)) + " (" +
                    ClockPhrase(now, ClockPhrase::Past::dates).text(next.deadline) + ")");
    }
    if (!model_.lastSaveError().empty())
        output.line("The configuration could not be saved: " + model_.lastSaveError());
    if (watcher_) {
        const auto watching = watcher_->status();
        output.line("Watching " +
                    plural(static_cast<std::int64_t>(watching.watched.size()), "folder") + ".");
        for (const auto& folder : watching.unwatched)
            output.line("Not watching " + folder.folder.native() + ": " + folder.reason +
                        " (its files are still checked every sweep)");
        if (!watching.failure.empty())
            output.line("The folder watcher stopped: " + watching.failure);
    }
    return output;
}

} // namespace dustlyn
