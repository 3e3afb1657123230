#include "app/instance/ChangeCommands.h"
#include "app/instance/Plural.h"

#include "app/insights/FileInsights.h"
#include "app/model/AppModel.h"
#include "app/watcher/FolderWatcher.h"
#include "core/base/ByteCount.h"
#include "core/base/Paths.h"
#include "core/base/Utf8.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

bool pathExists(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A file argument the commands can act on, or the line that says why not. The folders of the
// path are resolved, its last component never: a link is refused, so that naming a link on
// the Desktop can never move, time or keep the file it leads to, wherever that lies.
std::optional<std::string> checkedFile(const std::string& command, const fs::path& path,
                                       CommandOutput& output) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        output.fail(2, "dustlyn " + command + ": no such file: " + path.native());
        return std::nullopt;
    }
    if (S_ISLNK(info.st_mode)) {
        output.fail(2, "dustlyn " + command + ": " + path.native() +
                           " is a symbolic link; Dustlyn only moves files");
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

void describeSweep(const QuarantineReport& moved, const PurgeReport& purged,
                   CommandOutput& output) {
    if (moved.movedCount > 0)
        output.line("Moved " + plural(moved.movedCount, "file") + " to quarantine (" +
                    formatByteCount(moved.movedSize) + ")");
    if (purged.purgedCount > 0)
        output.line("Deleted " + plural(purged.purgedCount, "file") + " from quarantine (" +
                    formatByteCount(purged.purgedSize) + ")");
    for (const auto& outcome : moved.outcomes)
        if (!outcome.success)
            output.fail(1, "Could not move " + outcome.original.native() + ": " +
                               outcome.error.value_or("unknown error"));
    for (const auto& outcome : purged.outcomes)
        if (!outcome.success)
            output.fail(1, "Could not delete " + outcome.file.url + ": " +
                               outcome.error.value_or("unknown error"));
}

} // namespace

bool ChangeCommands::changes(const std::string& command) {
    static const std::set<std::string> changing = {
        "sweep", "keep", "unkeep", "timer", "remove-now", "restore", "undo", "pause", "resume"};
    return changing.contains(command);
}

CommandOutput ChangeCommands::run(const CommandLine& line) {
    // Said once, before what the command itself has to say; taken first, since the command
    // may mend what they tell of (a damaged history is set aside at its first write).
    std::string notices;
    for (const auto& notice : model_.notices())
        notices += "dustlyn: " + notice + "\n";
    CommandOutput output = carryOut(line);
    output.err = notices + output.err;
    return output;
}

CommandOutput ChangeCommands::carryOut(const CommandLine& line) {
    const std::string& c = line.command;
    if (c == "sweep")
        return sweep(line);
    if (c == "keep")
        return keep(line);
    if (c == "unkeep")
        return unkeep(line);
    if (c == "timer")
        return timer(line);
    if (c == "remove-now")
        return removeNow(line);
    if (c == "restore")
        return restore(line);
    if (c == "undo")
        return undo(line);
    if (c == "pause" || c == "resume")
        return pause(c == "pause");
    if (c == "status")
        return status(line);
    CommandOutput output;
    output.fail(2, "dustlyn " + c + ": not something the running Dustlyn does");
    return output;
}

CommandOutput ChangeCommands::sweep(const CommandLine& line) {
    CommandOutput output;
    const bool everything = line.has("--everything");
    const auto [moved, purged] =
        model_.sweepNow(everything ? SweepSource::everything : SweepSource::user, everything);
    if (line.has("--json")) {
        nlohmann::ordered_json json;
        json["sweepID"] = model_.lastSweepID() ? model_.lastSweepID()->text() : "";
        json["quarantine"] = toJson(moved);
        json["purge"] = toJson(purged);
        output.line(json.dump(2));
        for (const auto& outcome : moved.outcomes)
            if (!outcome.success)
                output.exitCode = 1;
        if (purged.failedCount > 0)
            output.exitCode = 1;
        return output;
    }
    describeSweep(moved, purged, output);
    if (moved.outcomes.empty() && purged.outcomes.empty())
        output.line("Nothing was due.");
    return output;
}

CommandOutput ChangeCommands::keep(const CommandLine& line) {
    CommandOutput output;
    for (const auto& argument : line.arguments) {
        const auto path = checkedFile("keep", argument, output);
        if (!path || !model_.keep(*path))
            continue;
        if (model_.lastSaveError().empty())
            output.line("Keeping " + *path);
        else
            output.fail(1, "Could not keep " + *path + ": " + model_.lastSaveError());
    }
    return output;
}

CommandOutput ChangeCommands::unkeep(const CommandLine& line) {
    CommandOutput output;
    for (const auto& argument : line.arguments) {
        const std::string path = resolvePath(argument).native();
        if (model_.removePin(path) || model_.removePin(argument))
            output.line("No longer keeping " + path);
        else
            output.fail(2, "dustlyn unkeep: not a kept file: " + argument +
                               " (kept files are listed in config.json under \"pins\")");
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
    if (!path || !model_.setTimer(*path, *seconds))
        return output;
    if (!model_.lastSaveError().empty()) {
        output.fail(1, "Could not set a timer on " + *path + ": " + model_.lastSaveError());
        return output;
    }
    const Date due = model_.config().timers.at(*path);
    const Date now = std::chrono::system_clock::now();
    output.line(*path + " leaves in " + FileInsights::countdown(secondsBetween(now, due)) + " (" +
                FileInsights::clock(due, now) + ")");
    return output;
}

namespace {

bool isRegularFile(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

CommandOutput ChangeCommands::removeNow(const CommandLine& line) {
    CommandOutput output;
    const auto path = checkedFile("remove-now", line.arguments[0], output);
    if (!path)
        return output;
    if (!isRegularFile(*path)) {
        output.fail(2, "dustlyn remove-now: not a regular file: " + *path +
                           " (Dustlyn moves files, not folders or links)");
        return output;
    }
    const auto& config = model_.config();
    const bool wasKept =
        std::find(config.pins.begin(), config.pins.end(), *path) != config.pins.end();
    const auto timer = config.timers.find(*path);
    const std::optional<Date> oldTimer =
        timer == config.timers.end() ? std::nullopt : std::optional<Date>(timer->second);
    if (!model_.removeNow(*path))
        return output;
    const auto& outcomes = model_.lastQuarantine().outcomes;
    const auto mine = std::find_if(outcomes.begin(), outcomes.end(),
                                   [&](const QuarantineOutcome& o) { return o.original == *path; });
    if (mine != outcomes.end() && mine->success) {
        output.line("Moved " + *path + " to " + mine->quarantined->native());
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
            pathExists(entry->quarantinePath))
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
        if (const auto restored = model_.restore(*file))
            output.line("Restored " + restored->native());
        else
            output.fail(1,
                        "Could not restore " + file->native() + ": " + model_.lastRestoreError());
    }
    return output;
}

CommandOutput ChangeCommands::undo(const CommandLine& line) {
    CommandOutput output;
    std::optional<Uuid> sweepID;
    if (!line.arguments.empty()) {
        sweepID = Uuid::parse(line.arguments[0]);
        if (!sweepID) {
            output.fail(2, "dustlyn undo: '" + line.arguments[0] +
                               "' is not a sweep id (see `dustlyn history --json`)");
            return output;
        }
    } else {
        const auto& history = model_.history();
        for (auto entry = history.rbegin(); entry != history.rend() && !sweepID; ++entry)
            if (entry->kind == HistoryEntry::Kind::quarantined && entry->sweepID)
                sweepID = entry->sweepID;
        if (!sweepID) {
            output.line("No sweep has moved anything yet; nothing to undo.");
            return output;
        }
    }
    const UndoResult undone = model_.undo(*sweepID);
    for (const auto& restored : undone.restored)
        output.line("Restored " + restored.native());
    // A file that stays behind is one the purge deletes when it expires: say so, each one.
    for (const auto& failure : undone.failed)
        output.fail(1, "Could not restore " + failure.file.native() + ": " + failure.reason);
    if (undone.restored.empty() && undone.failed.empty())
        output.line("Nothing of sweep " + sweepID->text() + " is left in the quarantine.");
    return output;
}

CommandOutput ChangeCommands::pause(bool paused) {
    CommandOutput output;
    if (model_.paused() != paused)
        model_.togglePaused();
    output.line(paused ? "Paused: nothing leaves until `dustlyn resume`." : "Resumed.");
    return output;
}

CommandOutput ChangeCommands::status(const CommandLine& line) {
    CommandOutput output;
    const auto leaving = model_.leaving();
    const Date now = std::chrono::system_clock::now();
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
                    FileInsights::clock(next.deadline, now) + ")");
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
