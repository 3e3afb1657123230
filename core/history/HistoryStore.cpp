#include "core/history/HistoryStore.h"

#include "core/base/AtomicFile.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/base/Utf8.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <stdexcept>

namespace dustlyn {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// What the file holds, and whether something is there that could not be used.
struct StoredHistory {
    std::vector<HistoryEntry> entries;
    bool damaged = false;
};

bool somethingAt(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

StoredHistory readStored(const fs::path& url) {
    const auto bytes = readWholeFile(url);
    if (!bytes)
        return {{}, somethingAt(url)};
    try {
        return {HistoryStore::decode(*bytes), false};
    } catch (const DecodingError&) {
        return {{}, true};
    }
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

void requireUtf8(const std::string& text) {
    if (!isValidUtf8(text))
        throw std::invalid_argument("History text is not valid UTF-8");
}

} // namespace

HistoryStore::HistoryStore(fs::path url, std::int64_t limit)
    : url_(std::move(url)), limit_(limit) {}

HistoryStore HistoryStore::defaultStore(const UserFolders& folders) {
    return HistoryStore(folders.supportDirectory() / "history.json", 5000);
}

fs::path HistoryStore::damagedURL() const {
    return fs::path(url_.native() + ".damaged");
}

std::vector<HistoryEntry> HistoryStore::load() const {
    return readStored(url_).entries;
}

std::vector<HistoryEntry> HistoryStore::append(const std::vector<HistoryEntry>& entries) const {
    StoredHistory stored = readStored(url_);
    if (entries.empty())
        return std::move(stored.entries);

    std::vector<HistoryEntry>& all = stored.entries;
    all.reserve(all.size() + entries.size());
    all.insert(all.end(), entries.begin(), entries.end());
    const std::size_t limit = std::size_t(std::max<std::int64_t>(limit_, 0));
    if (all.size() > limit)
        all.erase(all.begin(), all.end() - std::ptrdiff_t(limit));

    if (stored.damaged && ::rename(url_.c_str(), damagedURL().c_str()) != 0)
        return std::move(all); // keep the unreadable file rather than lose it
    save(all);
    return std::move(all);
}

void HistoryStore::save(const std::vector<HistoryEntry>& entries) const {
    std::string bytes;
    try {
        bytes = encode(entries);
    } catch (const std::invalid_argument&) {
        return;
    }
    std::error_code ignored;
    fs::create_directories(url_.parent_path(), ignored);
    try {
        writeFileAtomically(url_, bytes);
    } catch (const FileError&) {
        return;
    }
    removeLeftoverTemporaries(url_);
}

std::string HistoryStore::encode(const std::vector<HistoryEntry>& entries) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    auto& elements = array.get_ref<nlohmann::ordered_json::array_t&>();
    elements.reserve(entries.size());
    for (const auto& entry : entries) {
        requireUtf8(entry.originalPath);
        requireUtf8(entry.quarantinePath);
        requireUtf8(entry.ruleName);
        elements.push_back(toJson(entry));
    }
    return writeCompactJson(array);
}

std::vector<HistoryEntry> HistoryStore::decode(const std::string& bytes) {
    const Json value = Json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded())
        throw DecodingError("History file is not JSON");
    if (!value.is_array())
        throw DecodingError("History file is not an array");
    std::vector<HistoryEntry> entries;
    entries.reserve(value.size());
    try {
        for (const auto& element : value)
            entries.push_back(historyEntryFromJson(element));
    } catch (const Json::exception& error) {
        throw DecodingError(error.what());
    }
    return entries;
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
