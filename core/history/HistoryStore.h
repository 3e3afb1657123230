#pragma once

#include "core/config/UserFolders.h"
#include "core/history/HistoryEntry.h"
#include "core/history/HistoryStats.h"
#include "core/history/PreparedTrim.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// What reading the history file found.
struct HistoryReadout {
    std::vector<HistoryEntry> entries;
    // Something is at the file's place that could not be read whole: `entries` holds what
    // could be read of it, and the next append first sets the file aside.
    bool damaged = false;
    std::size_t skipped = 0; // entries that could not be read
    bool cutShort = false;   // the file breaks off, or cannot be read at all
    std::string reason;      // the first problem met

    // The line that tells the user, or nothing for a sound file.
    std::optional<std::string> notice(const std::filesystem::path& url) const;

    bool operator==(const HistoryReadout&) const = default;
};

// A caller's copy of the history file, kept so that appending never reads it again.
struct HeldHistory {
    std::vector<HistoryEntry> entries;
    // The file is still the damaged one `entries` was read from: it is set aside before the
    // next write.
    bool damaged = false;
    // `entries` holds more than the file: the latest write failed.
    bool unsaved = false;

    bool operator==(const HeldHistory&) const = default;
};

// The history file: a compact JSON array of entries, oldest first, capped at `limit`.
class HistoryStore {
public:
    // How many entries the history keeps.
    static constexpr std::int64_t defaultLimit = 5000;

    HistoryStore(std::filesystem::path url, std::int64_t limit);

    // history.json in `folder`, keeping defaultLimit entries.
    static HistoryStore inFolder(const std::filesystem::path& folder);
    // The same in supportDirectory.
    static HistoryStore defaultStore(const UserFolders& folders);

    const std::filesystem::path& url() const { return url_; }
    std::int64_t limit() const { return limit_; }

    // The file's entries that can be read: a bad entry is left out, the others stay; empty
    // when the file is missing or nothing of it can be read.
    std::vector<HistoryEntry> load() const;
    // The same, with what was wrong with the file.
    HistoryReadout read() const;
    // Adds entries to what the file holds (not the caller's copy), trims past `limit`, writes,
    // and returns the whole list. An empty list writes nothing. Trimming takes the oldest
    // entries first but never the record of a file still in the quarantine (the newest entry
    // of its quarantine path, a "quarantined" one, with something there): it is the only place
    // its origin is written, so the file may then hold more than `limit` entries.
    // A file that exists but cannot be read whole is first renamed to the first free damaged
    // name beside it (url() + ".damaged", then "-2", "-3"…; an older copy is never replaced), so
    // the entries that could not be read are not lost; when that rename fails nothing is written.
    std::vector<HistoryEntry> append(const std::vector<HistoryEntry>& entries) const;
    // The file's entries and whether it is damaged, for appending to later.
    HeldHistory hold() const;
    // The same as append() on the caller's copy, which is neither read nor decoded again:
    // `held` becomes the whole list. Writes when there is something to add or `held` is
    // unsaved. True when the file now holds `held.entries`.
    bool append(HeldHistory& held, const std::vector<HistoryEntry>& entries) const;
    // Adds entries at the end of the file without reading or decoding what it holds: the
    // closing bracket gives way to the new entries and a new bracket, and only the new bytes
    // are written and flushed; a missing file is written with the entries alone, as a whole
    // write would write it. Nothing when the file cannot be looked at, its ends are not the ones
    // this store writes, or the entries would take it past `limit` (counted, not decoded):
    // the caller then appends through hold(). False when the write failed; the file is then
    // put back as it was.
    // With `prepared` (from prepareTrim) a trim it began is finished rather than written anew;
    // with `encoded` (encode(entries), made beforehand) the entries are not encoded again.
    std::optional<bool> appendToTail(const std::vector<HistoryEntry>& entries,
                                     PreparedTrim* prepared = nullptr,
                                     const std::string* encoded = nullptr) const;
    // The rewrite that `incoming` more entries would call for, begun now (see PreparedTrim).
    std::optional<PreparedTrim> prepareTrim(std::size_t incoming,
                                            const PreparedTrim::Foresight& foreseen = {}) const;
    // Whether the file's ends are the ones this store writes (or there is no file): a cheap
    // look that finds a file cut short or replaced, not a bad entry inside.
    bool looksWhole() const;
    // Replaces the file's content; a failure is not reported (the caller keeps its list).
    // Temporary files left beside the history by an interrupted write are cleared away.
    void save(const std::vector<HistoryEntry>& entries) const;

    // The exact bytes save() writes: a compact JSON array of objects, keys in field order,
    // sweepID left out when absent, "/" written as "\/".
    // Throws std::invalid_argument for text that is not valid UTF-8, which no JSON reader
    // would accept back.
    static std::string encode(const std::vector<HistoryEntry>& entries);
    // Throws DecodingError for anything but a JSON array whose every element is an entry as
    // HistoryDecoder reads it.
    static std::vector<HistoryEntry> decode(const std::string& bytes);

    // originalPath of the newest "quarantined" entry whose quarantinePath equals `path`.
    static std::optional<std::string> originalPath(const std::string& path,
                                                   const std::vector<HistoryEntry>& entries);
    // Sums of the entries dated at or after `since`.
    static HistoryStats stats(const std::vector<HistoryEntry>& entries, Date since);

private:
    // save(), saying whether the file now holds `entries`.
    bool write(const std::vector<HistoryEntry>& entries) const;
    // Replaces the file with `bytes`; true when it now holds them.
    bool writeWhole(std::string_view bytes) const;
    // appendToTail() of `count` entries, `encoded`, where there is no file yet.
    std::optional<bool> startFile(std::size_t count, const std::string& encoded) const;

    std::filesystem::path url_;
    std::int64_t limit_;
};

} // namespace dustlyn
