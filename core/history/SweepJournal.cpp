#include "core/history/SweepJournal.h"

#include "core/base/AtomicFile.h"
#include "core/base/DamagedCopy.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/base/Utf8.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <set>

namespace dustlyn {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// A journal that cannot be read back is worse than none: it would be set aside at the next
// start and the sweep's origins lost with it.
const std::string& utf8(const std::string& path) {
    if (!isValidUtf8(path))
        throw FileError(EILSEQ, "Path is not valid UTF-8: " + path);
    return path;
}

// Dates here are compared with file times, so they keep every nanosecond.
std::int64_t nanosecondsSinceEpoch(Date date) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(date.time_since_epoch()).count();
}

std::optional<Date> dateMember(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end())
        return std::nullopt;
    if (!it->is_number_integer())
        throw DecodingError(std::string("Sweep journal key \"") + key + "\" is wrong");
    return Date(std::chrono::duration_cast<Date::duration>(
        std::chrono::nanoseconds(it->get<std::int64_t>())));
}

// One move in the form the journal keeps, written straight out: a sweep journals thousands.
void appendMove(std::string& out, const PlannedMove& move) {
    out += "{\"originalPath\":";
    appendJsonString(out, utf8(move.original));
    out += ",\"quarantinePath\":";
    appendJsonString(out, utf8(move.destination));
    out += ",\"ruleName\":";
    if (!appendJsonString(out, move.ruleName) && !isValidUtf8(move.ruleName))
        throw FileError(EILSEQ, "Rule name is not valid UTF-8: " + move.ruleName);
    out += ",\"size\":";
    out += std::to_string(move.size);
    if (move.modified) {
        out += ",\"modified\":";
        out += std::to_string(nanosecondsSinceEpoch(*move.modified));
    }
    out += '}';
}

const Json& member(const Json& object, const char* key, bool (Json::*isType)() const noexcept) {
    const auto it = object.find(key);
    if (it == object.end() || !((*it).*isType)())
        throw DecodingError(std::string("Sweep journal key \"") + key + "\" is missing or wrong");
    return *it;
}

PlannedMove plannedMoveFromJson(const Json& value) {
    if (!value.is_object())
        throw DecodingError("Sweep journal move is not an object");
    PlannedMove move;
    move.original = member(value, "originalPath", &Json::is_string).get<std::string>();
    move.destination = member(value, "quarantinePath", &Json::is_string).get<std::string>();
    move.ruleName = member(value, "ruleName", &Json::is_string).get<std::string>();
    move.size = member(value, "size", &Json::is_number_integer).get<std::int64_t>();
    move.modified = dateMember(value, "modified");
    return move;
}

SweepJournal::Contents contentsFromJson(const Json& value) {
    if (!value.is_object())
        throw DecodingError("Sweep journal is not an object");
    const auto id = Uuid::parse(member(value, "sweepID", &Json::is_string).get<std::string>());
    if (!id)
        throw DecodingError("Sweep journal sweepID is not a UUID");
    SweepJournal::Contents contents{*id, dateMember(value, "dated"), {}};
    const Json& moves = member(value, "moves", &Json::is_array);
    contents.moves.reserve(moves.size());
    for (const auto& move : moves)
        contents.moves.push_back(plannedMoveFromJson(move));
    return contents;
}

// The mover dates a file just before renaming it into quarantine; a crash between the two
// leaves it at its origin with the sweep's date, which would put its deadline off by a whole
// rule period. A date far from the sweep's is the user's own and stays. File systems with
// coarse times (FAT keeps two seconds) round the sweep's date, hence the margin.
void undateIfStranded(const PlannedMove& move, std::optional<Date> dated) {
    using namespace std::chrono_literals;
    if (!move.modified || !dated)
        return;
    // Through its folder as the scan saw it: never a file some link now leads to.
    const FileDescriptor folder = openFolderWithoutLinks(folderOf(move.original));
    const std::string name = nameOf(move.original);
    struct stat info {};
    if (!folder || ::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    const Date current = modificationTime(info);
    if (current == *move.modified || std::chrono::abs(current - *dated) > 2s)
        return;
    // Should this fail, the file only leaves later than it would have; nothing is lost.
    setModificationTime(folder.get(), name.c_str(), *move.modified);
}

} // namespace

SweepJournal::SweepJournal(fs::path url) : url_(std::move(url)) {}

SweepJournal SweepJournal::besideHistory(const HistoryStore& history) {
    return SweepJournal(history.url().parent_path() / "sweep-journal.json");
}

void SweepJournal::write(const Uuid& sweepID, Date dated,
                         const std::vector<PlannedMove>& moves) const {
    std::string bytes = "{\"sweepID\":\"" + sweepID.text() +
                        "\",\"dated\":" + std::to_string(nanosecondsSinceEpoch(dated)) +
                        ",\"moves\":[";
    bytes.reserve(bytes.size() + moves.size() * 160);
    for (const auto& move : moves) {
        if (&move != moves.data())
            bytes += ',';
        appendMove(bytes, move);
    }
    bytes += "]}";
    createDirectories(folderOf(url_));
    writeFileAtomically(url_, bytes);
}

std::optional<SweepJournal::Contents> SweepJournal::load() const {
    const auto bytes = readWholeFile(url_);
    if (!bytes) {
        if (!itemExists(url_))
            return std::nullopt;
        throw DecodingError("Sweep journal cannot be read");
    }
    const Json value = Json::parse(*bytes, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded())
        throw DecodingError("Sweep journal is not JSON");
    try {
        return contentsFromJson(value);
    } catch (const Json::exception& error) {
        throw DecodingError(error.what());
    }
}

bool SweepJournal::remove() const {
    // Not flushed: a removal lost to a power cut only makes the next reconcile find every
    // entry already recorded and remove the journal again.
    return ::unlink(url_.c_str()) == 0 || errno == ENOENT;
}

std::vector<HistoryEntry> SweepJournal::reconcile(const HistoryStore& history, Date now) const {
    HeldHistory held = history.hold();
    reconcile(history, held, now);
    return std::move(held.entries);
}

void SweepJournal::reconcile(const HistoryStore& history, HeldHistory& held, Date now) const {
    std::optional<Contents> journal;
    try {
        journal = load();
    } catch (const DecodingError&) {
        // Kept for whoever wants to look, beside any older one; if even the rename fails it
        // is tried next time.
        try {
            DamagedCopy::setAside(url_);
        } catch (const FileError&) {
        }
        return;
    }
    if (!journal)
        return;

    std::set<std::string> recorded;
    for (const auto& entry : held.entries)
        if (entry.kind == HistoryEntry::Kind::quarantined && entry.sweepID == journal->sweepID)
            recorded.insert(entry.quarantinePath);

    std::vector<HistoryEntry> missing;
    for (const auto& move : journal->moves) {
        const std::string& destination = move.destination;
        if (recorded.contains(destination))
            continue;
        // A file not at its quarantine path never moved; recording it would invent an origin.
        if (!itemExists(move.destination)) {
            undateIfStranded(move, journal->dated);
            continue;
        }
        recorded.insert(destination);
        missing.push_back({Uuid::random(), now, HistoryEntry::Kind::quarantined, move.original,
                           destination, move.size, move.ruleName, journal->sweepID});
    }
    // The journal is the only record of these origins until the history file holds them; an
    // earlier write that failed may have left them only in `held`.
    if ((missing.empty() && !held.unsaved) || history.append(held, missing))
        remove();
}

} // namespace dustlyn
