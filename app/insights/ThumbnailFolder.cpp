#include "app/insights/ThumbnailFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>

#include <array>
#include <cstring>
#include <system_error>

namespace dustlyn {

namespace {

// Besides letters and digits, the bytes GLib leaves unescaped in a file URI's path.
constexpr const char* glibKept = "!$&'()*+,-./:=@_~";
// Qt also leaves these sub-delimiters and brackets.
constexpr const char* qtAlsoKept = ";[]";

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

QByteArray fileUri(const std::string& path, bool qtSpelling) {
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray uri("file://");
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool kept = isAsciiAlphanumeric(c) ||
                          (byte != 0 && std::strchr(glibKept, c) != nullptr) ||
                          (qtSpelling && byte != 0 && std::strchr(qtAlsoKept, c) != nullptr);
        if (kept) {
            uri += c;
            continue;
        }
        uri += '%';
        uri += hex[byte >> 4];
        uri += hex[byte & 15];
    }
    return uri;
}

bool madeFor(const QImage& thumbnail, std::int64_t modifiedSeconds) {
    bool ok = false;
    const qlonglong recorded =
        thumbnail.text(QStringLiteral("Thumb::MTime")).trimmed().toLongLong(&ok);
    return ok && recorded == modifiedSeconds;
}

} // namespace

std::vector<QByteArray> ThumbnailFolder::fileUris(const std::filesystem::path& file) {
    std::error_code error;
    const std::string path = std::filesystem::absolute(file, error).lexically_normal().native();
    std::vector<QByteArray> uris{fileUri(path, false)};
    QByteArray qt = fileUri(path, true);
    if (qt != uris.front())
        uris.push_back(std::move(qt));
    return uris;
}

QString ThumbnailFolder::thumbnailName(const QByteArray& uri) {
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) +
           QStringLiteral(".png");
}

QImage ThumbnailFolder::find(const std::filesystem::path& file, std::int64_t modifiedSeconds,
                             int pixels) const {
    // "normal" holds 128-pixel thumbnails, "large" 256-pixel ones.
    const std::array<const char*, 2> sizes =
        pixels <= 128 ? std::array{"normal", "large"} : std::array{"large", "normal"};
    const auto uris = fileUris(file);
    for (const char* size : sizes) {
        for (const QByteArray& uri : uris) {
            const QString path = QFile::decodeName((folder_ / size).native().c_str()) +
                                 QLatin1Char('/') + thumbnailName(uri);
            QImageReader reader(path, "png");
            const QImage thumbnail = reader.read();
            if (!thumbnail.isNull() && madeFor(thumbnail, modifiedSeconds))
                return thumbnail;
        }
    }
    return {};
}

} // namespace dustlyn
