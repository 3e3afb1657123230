#pragma once

#include "core/config/UserFolders.h"
#include "core/history/HistoryEntry.h"
#include "core/history/HistoryStats.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// The history file: a compact JSON array of entries, oldest first, capped at `limit`.
class HistoryStore {
public:
    HistoryStore(std::filesystem::path url, std::int64_t limit);

    // supportDirectory/history.json, limit 5000.
    static HistoryStore defaultStore(const UserFolders& folders);

    const std::filesystem::path& url() const { return url_; }
    std::int64_t limit() const { return limit_; }

    // The file's entries; empty when the file is missing or cannot be decoded.
    std::vector<HistoryEntry> load() const;
    // Adds entries to what the file holds (not the caller's copy), trims the oldest past
    // `limit`, writes, and returns the whole list. An empty list writes nothing.
    // A file that exists but cannot be read or decoded is first renamed to damagedURL()
    // (replacing an older copy), so the only record of where quarantined files came from
    // is never overwritten; when that rename fails nothing is written.
    std::vector<HistoryEntry> append(const std::vector<HistoryEntry>& entries) const;
    // Replaces the file's content; a failure is not reported (the caller keeps its list).
    // Temporary files left beside the history by an interrupted write are cleared away.
    void save(const std::vector<HistoryEntry>& entries) const;

    // url() + ".damaged": where append() keeps a history file it could not decode.
    std::filesystem::path damagedURL() const;

    // The exact bytes save() writes: writeCompactJson of the array of toJson(entry).
    // Throws std::invalid_argument for text that is not valid UTF-8, which no JSON reader
    // would accept back.
    static std::string encode(const std::vector<HistoryEntry>& entries);
    // Throws DecodingError for anything but a JSON array whose every element
    // historyEntryFromJson accepts.
    static std::vector<HistoryEntry> decode(const std::string& bytes);

    // originalPath of the newest "quarantined" entry whose quarantinePath equals `path`.
    static std::optional<std::string> originalPath(const std::string& path,
                                                   const std::vector<HistoryEntry>& entries);
    // Sums of the entries dated at or after `since`.
    static HistoryStats stats(const std::vector<HistoryEntry>& entries, Date since);

private:
    std::filesystem::path url_;
    std::int64_t limit_;
};

} // namespace dustlyn
