#pragma once

#include "core/base/AtomicFile.h"
#include "core/history/HistoryTail.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// The rewrite of a full history begun before a sweep's moves. Past the cap every sweep writes
// the whole file again, megabytes of it, and waiting for them to reach the disk after the last
// move cost a sweep of a thousand files more than its moves; begun early, the kept entries are
// written while the files move and only the new ones are waited for; when the new entries can
// be foreseen, they are written and flushed then too, and only the rename is left. It is
// finished only into the very bytes the store would have written afterwards.
class PreparedTrim {
public:
    // The kept entries of `url` written to a temporary file beside it, on their way to the disk,
    // for `incoming` new entries under `limit`. Nothing when they fit without a trim, or when the
    // file is not one the store could trim without reading it whole. With `foreseen`, asked
    // once the kept entries are written, for the encoding the new ones are expected to have
    // (`incoming` of them; null when not known), the file is written to its end and flushed.
    using Foresight = std::function<std::shared_ptr<const std::string>()>;
    static std::optional<PreparedTrim> begin(const std::filesystem::path& url, std::size_t limit,
                                             std::size_t incoming, const Foresight& foreseen = {});

    // Puts the file in place with `encoded` (new entries as HistoryStore::encode gives them)
    // after the kept ones, when the file at `url` is still the one begun from, its `starts`
    // call for the same trim, and `encoded` is what was foreseen, if anything was. False when
    // not: nothing was put in place, and the temporary file goes with this object. FileError
    // when the write fails.
    bool finish(const std::filesystem::path& url, const std::vector<std::size_t>& starts,
                std::size_t limit, std::string_view encoded);
    // Where the entries of the file at `url` start, when it is still the one begun from: read
    // once, not again for finish().
    const std::vector<std::size_t>* startsOf(const std::filesystem::path& url) const;
    // Whether finish() put the file in place: this object then holds the only descriptor to
    // the file it replaced, whose blocks the file system frees when it goes.
    bool finished() const { return finished_; }

private:
    PreparedTrim(HistoryTail::Opened file, std::vector<std::size_t> starts, std::size_t excess,
                 HistoryTail::LookedAt looked, std::vector<std::string_view> kept,
                 AtomicFile temporary, std::shared_ptr<const std::string> written);
    bool sameFileAt(const std::filesystem::path& url) const;

    HistoryTail::Opened file_; // the kept pieces point into its mapping
    std::vector<std::size_t> starts_;
    std::size_t excess_;
    HistoryTail::LookedAt looked_; // the old entries' decoded kinds and paths, for finish()
    std::vector<std::string_view> kept_;
    AtomicFile temporary_;
    std::shared_ptr<const std::string> written_; // the new entries, when already written
    bool finished_ = false;
};

} // namespace dustlyn
