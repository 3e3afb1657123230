#include "core/history/HistoryTail.h"

#include "core/base/DecodingError.h"
#include "core/base/JsonText.h"
#include "core/history/HistoryStore.h"
#include "core/history/QuarantinePresence.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view firstKey = "[{\"id\":\"";
constexpr std::string_view entryStart = "{\"id\":\"";

bool readAt(int fd, char* into, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t n = ::pread(fd, into, count, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        into += n;
        count -= std::size_t(n);
        offset += n;
    }
    return true;
}

bool writeAt(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(std::size_t(n));
        offset += n;
    }
    return true;
}

// Decodes the entries from `from` up to `to` (indices into `starts`, which ends with the file's
// size) in one read and adds what the trim needs of each to `looked`. False when they cannot be.
bool lookAt(std::string_view bytes, const std::vector<std::size_t>& starts, std::size_t from,
            std::size_t to, HistoryTail::LookedAt& looked) {
    const std::string_view run = bytes.substr(starts[from], starts[to] - 1 - starts[from]);
    std::vector<HistoryEntry> read;
    try {
        read = HistoryStore::decode("[" + std::string(run) + "]");
    } catch (const DecodingError&) {
        return false;
    }
    if (read.size() != to - from)
        return false;
    for (HistoryEntry& entry : read)
        looked.push_back({entry.kind == HistoryEntry::Kind::quarantined,
                          std::move(entry.quarantinePath), std::nullopt});
    return true;
}

} // namespace

HistoryTail::Opened::Opened(Opened&& other) noexcept
    : fd(std::exchange(other.fd, -1)), bytes(std::exchange(other.bytes, {})) {}

HistoryTail::Opened::~Opened() {
    if (!bytes.empty())
        ::munmap(const_cast<char*>(bytes.data()), bytes.size());
    if (fd >= 0)
        ::close(fd);
}

bool HistoryTail::wholeEnds(std::string_view head, std::string_view end, std::size_t size) {
    if (size == 2)
        return head.starts_with("[]");
    return size > firstKey.size() + 2 && head.starts_with(firstKey) && end == "}]";
}

std::optional<HistoryTail::Opened> HistoryTail::open(const fs::path& url) {
    Opened file;
    file.fd = ::open(url.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (file.fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 2)
        return std::nullopt;
    const auto size = std::size_t(info.st_size);
    // Mapped, not read: the entries are only counted, and a full file is a few megabytes.
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, file.fd, 0);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    file.bytes = std::string_view(static_cast<const char*>(mapped), size);
    const std::string_view bytes = file.bytes;
    if (!wholeEnds(bytes.substr(0, firstKey.size()), bytes.substr(size - 2), size))
        return std::nullopt;
    return file;
}

bool HistoryTail::looksWhole(const fs::path& url) {
    const int fd = ::open(url.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT;
    struct stat info {};
    char head[firstKey.size()] = {};
    char end[2] = {};
    bool whole = false;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 2) {
        const auto size = std::size_t(info.st_size);
        const std::size_t headSize = std::min(size, sizeof head);
        whole = readAt(fd, head, headSize, 0) && readAt(fd, end, 2, info.st_size - 2) &&
                wholeEnds({head, headSize}, {end, 2}, size);
    }
    ::close(fd);
    return whole;
}

std::size_t HistoryTail::countEntries(std::string_view bytes) {
    return entryStarts(bytes).size();
}

std::vector<std::size_t> HistoryTail::entryStarts(std::string_view bytes) {
    std::vector<std::size_t> starts;
    // A brace is rare outside an entry's start, and memchr finds one far faster than a search
    // for the whole key would.
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (const void* found = ::memchr(at, '{', std::size_t(end - at))) {
        const char* brace = static_cast<const char*>(found);
        if (std::size_t(end - brace) >= entryStart.size() &&
            std::memcmp(brace, entryStart.data(), entryStart.size()) == 0) {
            starts.push_back(std::size_t(brace - bytes.data()));
            at = brace + entryStart.size();
        } else {
            at = brace + 1;
        }
    }
    return starts;
}

std::optional<std::vector<std::string_view>>
HistoryTail::trimmed(std::string_view bytes, const std::vector<std::size_t>& starts,
                     std::size_t excess, std::string_view encoded) {
    LookedAt looked;
    auto pieces = kept(bytes, starts, excess, encoded, looked);
    if (!pieces)
        return std::nullopt;
    if (pieces->size() > 1)
        pieces->emplace_back(",");
    pieces->push_back(encoded.substr(1, encoded.size() - 2));
    pieces->emplace_back("]");
    return pieces;
}

namespace {

// Each quarantine path in `text` (as its JSON literal) and the offset of its last mention.
using Mentions = std::unordered_map<std::string_view, std::size_t>;

// string_view::find stops at every quote of the file; memmem skips ahead.
std::size_t findIn(std::string_view text, std::string_view needle, std::size_t from) {
    if (from > text.size())
        return std::string_view::npos;
    const void* found =
        ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return found ? std::size_t(static_cast<const char*>(found) - text.data())
                 : std::string_view::npos;
}

Mentions lastMentions(std::string_view text) {
    static constexpr std::string_view key = "\"quarantinePath\":";
    static constexpr std::string_view next = ",\"size\":";
    Mentions last;
    // Inside a literal every quote is escaped, so neither the key nor what follows the path
    // can be found there.
    for (std::size_t at = findIn(text, key, 0); at != std::string_view::npos;
         at = findIn(text, key, at + key.size())) {
        const std::size_t begin = at + key.size();
        const std::size_t end = findIn(text, next, begin);
        if (end == std::string_view::npos)
            break;
        last[text.substr(begin, end - begin)] = at;
    }
    return last;
}

} // namespace

std::optional<std::vector<std::string_view>>
HistoryTail::kept(std::string_view bytes, const std::vector<std::size_t>& entryOffsets,
                  std::size_t excess, std::string_view encoded, LookedAt& looked) {
    if (excess > entryOffsets.size())
        return std::nullopt;
    std::vector<std::size_t> starts = entryOffsets;
    starts.push_back(bytes.size()); // one past the closing bracket: where a next entry would be
    QuarantinePresence presence;
    // A later entry of the same quarantine path, found by its text as the store writes it.
    // Indexed at the first need: a search of the file for each old entry took a sweep of a
    // thousand recurring names past a second.
    std::optional<Mentions> inFile;
    std::optional<Mentions> inEncoded;
    const auto mentionedAfter = [&](const std::string& path, std::size_t from) {
        if (!inFile) {
            inFile = lastMentions(bytes);
            inEncoded = lastMentions(encoded);
        }
        std::string literal;
        appendJsonString(literal, path);
        const auto later = inFile->find(literal);
        return (later != inFile->end() && later->second >= from) || inEncoded->contains(literal);
    };
    std::vector<std::string_view> pieces{"["};
    const auto add = [&pieces](std::string_view piece) {
        if (pieces.size() > 1) {
            std::string_view& last = pieces.back();
            // Entries side by side in the file go out as one piece, the comma between them.
            if (last.data() + last.size() + 1 == piece.data() && last.data()[last.size()] == ',') {
                last = std::string_view(last.data(), last.size() + 1 + piece.size());
                return;
            }
            pieces.emplace_back(",");
        }
        pieces.push_back(piece);
    };
    std::size_t i = 0;
    for (; i + 1 < starts.size() && excess > 0; ++i) {
        // Each entry ends before the comma or the bracket that follows it.
        const std::string_view entry = bytes.substr(starts[i], starts[i + 1] - 1 - starts[i]);
        // At least `excess` more entries are looked at: they are decoded in one go.
        if (i == looked.size() &&
            !lookAt(bytes, starts, i, std::min(starts.size() - 1, i + excess), looked)) {
            return std::nullopt;
        }
        Looked& old = looked[i];
        if (old.quarantined && !old.present)
            old.present = presence.at(old.quarantinePath);
        // Kept while its file is still in the quarantine under no later record.
        if (old.quarantined && *old.present && !mentionedAfter(old.quarantinePath, starts[i + 1]))
            add(entry);
        else
            --excess;
    }
    // Only files still in the quarantine among the old entries: the new ones would go next.
    if (excess > 0)
        return std::nullopt;
    if (i + 1 < starts.size())
        add(bytes.substr(starts[i], bytes.size() - 1 - starts[i]));
    return pieces;
}

bool HistoryTail::append(const Opened& file, std::string_view encoded) {
    if (encoded.size() <= 2)
        return true;
    const auto size = off_t(file.bytes.size());
    // In place of the closing bracket: a comma unless the file held no entry, then the new
    // entries with their own closing bracket.
    std::string tail;
    tail.reserve(encoded.size());
    if (size > 2)
        tail += ',';
    tail.append(encoded.substr(1));
    // Only the closing bracket is ever overwritten: a crash part way leaves every earlier entry
    // whole, and the reader keeps them from a file cut short; the sweep's journal, removed only
    // once this has returned, brings the new entries back.
    if (writeAt(file.fd, tail, size - 1) && ::fdatasync(file.fd) == 0)
        return true;
    // Best effort: a file left cut short would read as damaged until the next write.
    if (::ftruncate(file.fd, size) == 0 && writeAt(file.fd, "]", size - 1))
        ::fdatasync(file.fd);
    return false;
}

} // namespace dustlyn
