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
    std::vector<HistoryEntry> append(const std::vector<HistoryEntry>& entries) const;
    // Replaces the file's content; a failure is not reported (the caller keeps its list).
    void save(const std::vector<HistoryEntry>& entries) const;

    // The exact bytes save() writes.
    static std::string encode(const std::vector<HistoryEntry>& entries);
    // Throws DecodingError for anything but a valid history file.
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
