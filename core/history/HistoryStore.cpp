#include "core/history/HistoryStore.h"

#include "core/base/JsonText.h"

#include "core/base/AtomicFile.h"
#include "core/base/DamagedCopy.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "core/base/Utf8.h"
#include "core/history/HistoryDecoder.h"
#include "core/history/HistoryTail.h"
#include "core/history/QuarantinePresence.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <unordered_map>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

HistoryReadout readStored(const fs::path& url) {
    const auto bytes = readWholeFile(url);
    if (!bytes) {
        if (!itemExists(url))
            return {};
        return {{}, true, 0, true, "it cannot be read"};
    }
    HistoryDecoder::Salvage salvaged = HistoryDecoder::salvage(*bytes);
    const bool damaged = salvaged.damaged();
    return {std::move(salvaged.entries), damaged, salvaged.skipped, salvaged.cutShort,
            std::move(salvaged.error)};
}

// Oldest first, but never the record of a file that still lies in the quarantine: one that
// is there, and whose entry is the last of its quarantine path (a later entry means the file
// left, or the name went to another file). At the cap the oldest files are mostly long gone,
// so the later entries are only gathered once one is found.
void trim(std::vector<HistoryEntry>& all, std::size_t limit) {
    if (all.size() <= limit)
        return;
    QuarantinePresence presence;
    std::unordered_map<std::string_view, std::size_t> lastOfPath;
    const auto isLast = [&](std::size_t i) {
        if (lastOfPath.empty())
            for (std::size_t j = 0; j < all.size(); ++j)
                lastOfPath[all[j].quarantinePath] = j;
        return lastOfPath.at(all[i].quarantinePath) == i;
    };
    std::vector<char> keep(all.size(), 1);
    std::size_t excess = all.size() - limit;
    for (std::size_t i = 0; i < all.size() && excess > 0; ++i) {
        const bool stillQuarantined = all[i].kind == HistoryEntry::Kind::quarantined &&
                                      presence.at(all[i].quarantinePath) && isLast(i);
        if (!stillQuarantined) {
            keep[i] = 0;
            --excess;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!keep[i])
            continue;
        if (kept != i)
            all[kept] = std::move(all[i]);
        ++kept;
    }
    all.resize(kept);
}

// A write killed half way leaves its ".history.json.tmp-XXXXXX" behind; there is one
// writer, so any such file beside a history just written is a leftover.
void removeLeftoverTemporaries(const fs::path& url) {
    const std::string prefix = "." + url.filename().native() + ".tmp-";
    std::error_code error;
    fs::directory_iterator it(url.parent_path().empty() ? fs::path(".") : url.parent_path(), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().native();
        if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

// Sizes come from a file anyone can edit; a sum past 64 bits stops at the largest value.
void addSize(std::int64_t& total, std::int64_t size) {
    if (__builtin_add_overflow(total, size, &total))
        total = size < 0 ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
}

// Writes `text` in the stored form ("/" as "\\/"), as the configuration is written too.
void appendText(std::string& out, const std::string& text) {
    if (!appendJsonString(out, text) && !isValidUtf8(text))
        throw std::invalid_argument("History text is not valid UTF-8");
}

// Uuid::text() and formatRfc3339() without their temporary strings, 10 000 times an append.
void appendUuid(std::string& out, const Uuid& id) {
    static constexpr char digits[] = "0123456789ABCDEF";
    char text[36];
    std::size_t at = 0;
    const auto& bytes = id.bytes();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[at++] = '-';
        text[at++] = digits[bytes[i] >> 4];
        text[at++] = digits[bytes[i] & 0x0F];
    }
    out.append(text, sizeof text);
}

void appendDigits(std::string& out, unsigned value, int width) {
    char digits[8];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = char('0' + value % 10);
    out.append(digits, std::size_t(width));
}

void appendDate(std::string& out, Date date) {
    using namespace std::chrono;
    const auto secs = floor<seconds>(date);
    const auto day = floor<days>(secs);
    const year_month_day ymd{day};
    const hh_mm_ss hms{secs - day};
    // A Date spans the years 1677 to 2262: always four digits.
    appendDigits(out, unsigned(int(ymd.year())), 4);
    out += '-';
    appendDigits(out, unsigned(ymd.month()), 2);
    out += '-';
    appendDigits(out, unsigned(ymd.day()), 2);
    out += 'T';
    appendDigits(out, unsigned(hms.hours().count()), 2);
    out += ':';
    appendDigits(out, unsigned(hms.minutes().count()), 2);
    out += ':';
    appendDigits(out, unsigned(hms.seconds().count()), 2);
    out += 'Z';
}

// One entry, compact: keys in field order, sweepID left out when absent.
void appendEntry(std::string& out, const HistoryEntry& entry) {
    out += "{\"id\":\"";
    appendUuid(out, entry.id);
    out += "\",\"date\":\"";
    appendDate(out, entry.date);
    out += "\",\"kind\":\"";
    out += kindText(entry.kind);
    out += "\",\"originalPath\":";
    appendText(out, entry.originalPath);
    out += ",\"quarantinePath\":";
    appendText(out, entry.quarantinePath);
    out += ",\"size\":";
    char number[24];
    const auto written = std::to_chars(number, number + sizeof number, entry.size);
    out.append(number, written.ptr);
    out += ",\"ruleName\":";
    appendText(out, entry.ruleName);
    if (entry.sweepID) {
        out += ",\"sweepID\":\"";
        appendUuid(out, *entry.sweepID);
        out += '"';
    }
    out += '}';
}

} // namespace

HistoryStore::HistoryStore(fs::path url, std::int64_t limit)
    : url_(std::move(url)), limit_(limit) {}

HistoryStore HistoryStore::inFolder(const fs::path& folder) {
    return HistoryStore(folder / "history.json", defaultLimit);
}

HistoryStore HistoryStore::defaultStore(const UserFolders& folders) {
    return inFolder(folders.supportDirectory());
}

std::vector<HistoryEntry> HistoryStore::load() const {
    return readStored(url_).entries;
}

HistoryReadout HistoryStore::read() const {
    return readStored(url_);
}

std::optional<std::string> HistoryReadout::notice(const fs::path& url) const {
    if (!damaged)
        return std::nullopt;
    const std::string why = reason.empty() ? "" : " (" + reason + ")";
    const std::string kept = "; the file is set aside as " + DamagedCopy::freeName(url).native() +
                             " before the history is next written";
    if (cutShort && entries.empty() && skipped == 0)
        return "the history " + url.native() + " could not be read" + why +
               ", so where the quarantined files came from is unknown" + kept;
    std::string text = "the history " + url.native();
    if (skipped > 0)
        text += " has " + std::to_string(skipped) + (skipped == 1 ? " entry" : " entries") +
                " that could not be read";
    if (cutShort)
        text += std::string(skipped > 0 ? " and" : "") + " breaks off after " +
                std::to_string(entries.size() + skipped) + " entries";
    return text + why + "; the other " + std::to_string(entries.size()) + " " +
           (entries.size() == 1 ? "entry is" : "entries are") + " used" + kept;
}

std::vector<HistoryEntry> HistoryStore::append(const std::vector<HistoryEntry>& entries) const {
    HeldHistory held = hold();
    append(held, entries);
    return std::move(held.entries);
}

HeldHistory HistoryStore::hold() const {
    HistoryReadout stored = readStored(url_);
    return {std::move(stored.entries), stored.damaged, false};
}

bool HistoryStore::append(HeldHistory& held, const std::vector<HistoryEntry>& entries) const {
    if (entries.empty() && !held.unsaved)
        return !held.damaged;
    held.entries.reserve(held.entries.size() + entries.size());
    held.entries.insert(held.entries.end(), entries.begin(), entries.end());
    trim(held.entries, std::size_t(std::max<std::int64_t>(limit_, 0)));
    held.unsaved = true;
    if (held.damaged) {
        try {
            DamagedCopy::setAside(url_);
        } catch (const FileError&) {
            return false; // keep the unreadable file rather than lose it
        }
        held.damaged = false;
    }
    held.unsaved = !write(held.entries);
    return !held.unsaved;
}

std::optional<PreparedTrim>
HistoryStore::prepareTrim(std::size_t incoming, const PreparedTrim::Foresight& foreseen) const {
    if (limit_ < 0)
        return std::nullopt;
    return PreparedTrim::begin(url_, std::size_t(limit_), incoming, foreseen);
}

std::optional<bool> HistoryStore::appendToTail(const std::vector<HistoryEntry>& entries,
                                               PreparedTrim* prepared,
                                               const std::string* encodedBefore) const {
    if (entries.empty() || limit_ < 0)
        return std::nullopt;
    std::string encodedHere;
    if (!encodedBefore) {
        try {
            encodedHere = encode(entries);
        } catch (const std::invalid_argument&) {
            return std::nullopt;
        }
    }
    const std::string& encoded = encodedBefore ? *encodedBefore : encodedHere;
    const auto file = HistoryTail::open(url_);
    if (!file)
        return itemExists(url_) ? std::nullopt : startFile(entries.size(), encoded);
    const std::vector<std::size_t>* begun = prepared ? prepared->startsOf(url_) : nullptr;
    const std::vector<std::size_t> starts = begun ? *begun : HistoryTail::entryStarts(file->bytes);
    const std::size_t count = starts.size();
    if (count + entries.size() <= std::size_t(limit_))
        return HistoryTail::append(*file, encoded);
    // Past the cap the file is written whole, but only its oldest entries are decoded, and the
    // kept ones go from the mapped file straight to the new one.
    try {
        if (prepared && prepared->finish(url_, starts, std::size_t(limit_), encoded)) {
            removeLeftoverTemporaries(url_);
            return true;
        }
    } catch (const FileError&) {
        return false;
    }
    const auto trimmed = HistoryTail::trimmed(
        file->bytes, starts, count + entries.size() - std::size_t(limit_), encoded);
    if (!trimmed)
        return std::nullopt;
    try {
        writeFileAtomically(url_, *trimmed);
    } catch (const FileError&) {
        return false;
    }
    removeLeftoverTemporaries(url_);
    return true;
}

std::optional<bool> HistoryStore::startFile(std::size_t count, const std::string& encoded) const {
    // More entries than the cap are trimmed first, which is the whole write's to do.
    if (count > std::size_t(limit_))
        return std::nullopt;
    return writeWhole(encoded);
}

bool HistoryStore::looksWhole() const {
    return HistoryTail::looksWhole(url_);
}

void HistoryStore::save(const std::vector<HistoryEntry>& entries) const {
    write(entries);
}

bool HistoryStore::write(const std::vector<HistoryEntry>& entries) const {
    std::string bytes;
    try {
        bytes = encode(entries);
    } catch (const std::invalid_argument&) {
        return false;
    }
    return writeWhole(bytes);
}

bool HistoryStore::writeWhole(std::string_view bytes) const {
    std::error_code ignored;
    fs::create_directories(url_.parent_path(), ignored);
    try {
        writeFileAtomically(url_, bytes);
    } catch (const FileError&) {
        return false;
    }
    removeLeftoverTemporaries(url_);
    return true;
}

std::string HistoryStore::encode(const std::vector<HistoryEntry>& entries) {
    std::size_t estimate = 2;
    for (const auto& entry : entries)
        estimate +=
            240 + entry.originalPath.size() + entry.quarantinePath.size() + entry.ruleName.size();
    std::string out;
    out.reserve(estimate + estimate / 8);
    out += '[';
    for (const auto& entry : entries) {
        if (out.size() > 1)
            out += ',';
        appendEntry(out, entry);
    }
    out += ']';
    return out;
}

std::vector<HistoryEntry> HistoryStore::decode(const std::string& bytes) {
    return HistoryDecoder::decode(bytes);
}

std::optional<std::string> HistoryStore::originalPath(const std::string& path,
                                                      const std::vector<HistoryEntry>& entries) {
    // Newest first: quarantine names are reused once a file has left.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->kind == HistoryEntry::Kind::quarantined && it->quarantinePath == path)
            return it->originalPath;
    return std::nullopt;
}

HistoryStats HistoryStore::stats(const std::vector<HistoryEntry>& entries, Date since) {
    HistoryStats stats;
    for (const auto& entry : entries) {
        if (entry.date < since)
            continue;
        switch (entry.kind) {
        case HistoryEntry::Kind::quarantined:
            ++stats.clearedCount;
            addSize(stats.clearedSize, entry.size);
            break;
        case HistoryEntry::Kind::deleted:
            ++stats.deletedCount;
            addSize(stats.deletedSize, entry.size);
            break;
        case HistoryEntry::Kind::restored:
            ++stats.restoredCount;
            break;
        }
    }
    return stats;
}

} // namespace dustlyn
