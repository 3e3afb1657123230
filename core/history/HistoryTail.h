#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// The ends of a history file, looked at and extended without decoding its entries: a sweep
// adds a few entries to a file of thousands, and reading, encoding and flushing all of them
// again would cost it more than its moves.
class HistoryTail {
public:
    // The file's bytes, when its ends are the ones the store writes: "[]", or an array that
    // opens with an entry's "id" key and closes after an entry. Nothing when there is no file,
    // it cannot be read, or its ends are any other.
    struct Opened;
    static std::optional<Opened> open(const std::filesystem::path& url);
    // Whether there is no file, or one whose ends are the store's (reads only the ends).
    static bool looksWhole(const std::filesystem::path& url);
    // The entries the store wrote: each opens with `{"id":"`, which no text inside a JSON
    // string can hold, since a quote there is always escaped.
    static std::size_t countEntries(std::string_view bytes);
    // Where each of those entries starts, in order.
    static std::vector<std::size_t> entryStarts(std::string_view bytes);
    // Puts `encoded` (an array as HistoryStore::encode gives it) in place of the file's
    // closing bracket and flushes. On failure the file is cut back to what it held.
    static bool append(const Opened& file, std::string_view encoded);

    // The whole file after appending `encoded` to `bytes` (a file open() accepted, its
    // entryStarts() `starts`) and taking `excess` entries off the front as HistoryStore's trim
    // does: oldest first, never the record of a file still in the quarantine. Given as pieces of
    // `bytes` and `encoded` to be written one after another, so that the kept entries are
    // neither decoded nor copied; only the entries looked at are decoded. Nothing when one of
    // them cannot be, or when the new entries would have to go themselves.
    static std::optional<std::vector<std::string_view>>
    trimmed(std::string_view bytes, const std::vector<std::size_t>& starts, std::size_t excess,
            std::string_view encoded);
    // What the trim reads of an old entry: whether it recorded a move into the quarantine, and
    // where to; whether a file is there, once looked for.
    struct Looked {
        bool quarantined = false;
        std::string quarantinePath;
        std::optional<bool> present;
    };
    // The oldest entries decoded so far, in order, so that a trim looked at again decodes none
    // of them twice and looks for none of their files again: a sweep's moves in between only
    // bring in files its new entries name, which go whether they were there before or not.
    using LookedAt = std::vector<Looked>;
    // The front of trimmed(): "[" and the old entries it keeps, without a comma after them.
    static std::optional<std::vector<std::string_view>>
    kept(std::string_view bytes, const std::vector<std::size_t>& starts, std::size_t excess,
         std::string_view encoded, LookedAt& looked);

private:
    static bool wholeEnds(std::string_view head, std::string_view end, std::size_t size);
};

// The file, open for writing, with its bytes mapped for reading rather than copied.
struct HistoryTail::Opened {
    int fd = -1;
    std::string_view bytes;

    Opened() = default;
    Opened(Opened&& other) noexcept;
    Opened& operator=(Opened&&) = delete;
    Opened(const Opened&) = delete;
    ~Opened();
};

} // namespace dustlyn
