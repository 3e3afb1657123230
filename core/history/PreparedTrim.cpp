#include "core/history/PreparedTrim.h"

#include "core/base/FileError.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

bool samePieces(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](std::string_view x, std::string_view y) {
                          return x.data() == y.data() ? x.size() == y.size() : x == y;
                      });
}

// The new entries after the kept ones, and the closing bracket.
void writeEntries(AtomicFile& file, const std::vector<std::string_view>& kept,
                  std::string_view encoded) {
    if (kept.size() > 1)
        file.write(",");
    file.write(encoded.substr(1, encoded.size() - 2));
    file.write("]");
}

} // namespace

PreparedTrim::PreparedTrim(HistoryTail::Opened file, std::vector<std::size_t> starts,
                           std::size_t excess, HistoryTail::LookedAt looked,
                           std::vector<std::string_view> kept, AtomicFile temporary,
                           std::shared_ptr<const std::string> written)
    : file_(std::move(file)), starts_(std::move(starts)), excess_(excess),
      looked_(std::move(looked)), kept_(std::move(kept)), temporary_(std::move(temporary)),
      written_(std::move(written)) {}

std::optional<PreparedTrim> PreparedTrim::begin(const fs::path& url, std::size_t limit,
                                                std::size_t incoming, const Foresight& foresight) {
    auto file = HistoryTail::open(url);
    if (!file || incoming == 0)
        return std::nullopt;
    std::vector<std::size_t> starts = HistoryTail::entryStarts(file->bytes);
    if (starts.size() + incoming <= limit)
        return std::nullopt;
    const std::size_t excess = starts.size() + incoming - limit;
    HistoryTail::LookedAt looked;
    auto kept = HistoryTail::kept(file->bytes, starts, excess, "[]", looked);
    if (!kept)
        return std::nullopt;
    try {
        AtomicFile temporary(url);
        for (const std::string_view piece : *kept)
            temporary.write(piece);
        auto foreseen = foresight ? foresight() : nullptr;
        if (foreseen && HistoryTail::countEntries(*foreseen) == incoming) {
            writeEntries(temporary, *kept, *foreseen);
            temporary.flush();
        } else {
            foreseen.reset();
            temporary.startFlush();
        }
        return PreparedTrim(std::move(*file), std::move(starts), excess, std::move(looked),
                            std::move(*kept), std::move(temporary), std::move(foreseen));
    } catch (const FileError&) {
        // The write after the moves goes the usual way and reports its own failure.
        return std::nullopt;
    }
}

bool PreparedTrim::sameFileAt(const fs::path& url) const {
    struct stat now {};
    struct stat then {};
    if (::stat(url.c_str(), &now) != 0 || ::fstat(file_.fd, &then) != 0)
        return false;
    return now.st_dev == then.st_dev && now.st_ino == then.st_ino && now.st_size == then.st_size &&
           now.st_mtim.tv_sec == then.st_mtim.tv_sec && now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
}

const std::vector<std::size_t>* PreparedTrim::startsOf(const fs::path& url) const {
    return sameFileAt(url) ? &starts_ : nullptr;
}

bool PreparedTrim::finish(const fs::path& url, const std::vector<std::size_t>& starts,
                          std::size_t limit, std::string_view encoded) {
    const std::size_t incoming = HistoryTail::countEntries(encoded);
    if (starts != starts_ || starts.size() + incoming != limit + excess_ || !sameFileAt(url))
        return false;
    // The trim is looked at again with the new entries: the one begun must be the one due.
    const auto kept = HistoryTail::kept(file_.bytes, starts_, excess_, encoded, looked_);
    if (!kept || !samePieces(*kept, kept_))
        return false;
    if (!written_)
        writeEntries(temporary_, kept_, encoded);
    else if (*written_ != encoded)
        return false;
    temporary_.commit();
    finished_ = true;
    return true;
}

} // namespace dustlyn
