#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace dustlyn {

// The thumbnails file browsers leave in the freedesktop.org cache ($XDG_CACHE_HOME/
// thumbnails), read only: Dustlyn never writes there.
class ThumbnailFolder {
public:
    explicit ThumbnailFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // The file's URI as GLib spells it (';', '[' and ']' escaped) and as Qt does (left as
    // they are): the cache is keyed by the URI's MD5, and both kinds of browser write to
    // it. One entry when the spellings agree.
    static std::vector<QByteArray> fileUris(const std::filesystem::path& file);
    // The MD5 of the URI in lower-case hex, then ".png".
    static QString thumbnailName(const QByteArray& uri);

    // A thumbnail of the file as it is now (its Thumb::MTime is `modifiedSeconds`), from
    // the size folder nearest `pixels` first; null when there is none.
    QImage find(const std::filesystem::path& file, std::int64_t modifiedSeconds, int pixels) const;

private:
    std::filesystem::path folder_;
};

} // namespace dustlyn
