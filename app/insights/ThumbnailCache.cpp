#include "app/insights/ThumbnailCache.h"

#include "app/insights/FileIcon.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPointer>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace dustlyn {

namespace {

struct FileVersion {
    QString key;
    std::int64_t modifiedSeconds = 0;
    bool regular = false;
};

FileVersion versionOf(const std::filesystem::path& file) {
    FileVersion version;
    const QString path = QFile::decodeName(file.c_str());
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) {
        version.key = path + QStringLiteral("#0");
        return version;
    }
    version.modifiedSeconds = status.st_mtim.tv_sec;
    version.regular = S_ISREG(status.st_mode);
    version.key = path + QStringLiteral("#%1.%2")
                             .arg(status.st_mtim.tv_sec)
                             .arg(status.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'));
    return version;
}

// Scaled down until its shorter side is `pixels`, the most the square shows of it.
QImage covering(const QImage& image, int pixels) {
    if (std::min(image.width(), image.height()) <= pixels)
        return image;
    return image.scaled(pixels, pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
}

// The image file itself, decoded straight at the size shown (JPEG decodes at a fraction
// of its size that way) and turned upright as its EXIF orientation says.
QImage decoded(const std::filesystem::path& file, int pixels) {
    QImageReader reader(QFile::decodeName(file.c_str()));
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize original = reader.size();
    if (original.isValid() && !original.isEmpty()) {
        const qreal factor =
            std::max(qreal(pixels) / original.width(), qreal(pixels) / original.height());
        if (factor < 1)
            reader.setScaledSize(QSize(static_cast<int>(std::ceil(original.width() * factor)),
                                       static_cast<int>(std::ceil(original.height() * factor))));
    }
    return covering(reader.read(), pixels);
}

QStringList iconNamesOf(const std::filesystem::path& file) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QFile::decodeName(file.c_str()));
    QStringList names{type.iconName(), type.genericIconName()};
    if (type.inherits(QStringLiteral("inode/directory")))
        names.prepend(QStringLiteral("folder"));
    return names;
}

} // namespace

struct ThumbnailCache::Made {
    QImage image;          // null when only an icon will do
    QStringList iconNames; // the file type's icons, best first
};

ThumbnailCache::ThumbnailCache(std::filesystem::path thumbnailFolder, QObject* parent)
    : QObject(parent), folder_(std::move(thumbnailFolder)) {
    // A row of thumbnails is a handful of small decodes; two threads keep up and leave the
    // other cores alone.
    pool_.setMaxThreadCount(2);
}

ThumbnailCache::~ThumbnailCache() {
    // Work still running posts its result to this object; wait for it before going away
    // (QObject's destructor then drops the undelivered results).
    pool_.clear();
    pool_.waitForDone();
}

QString ThumbnailCache::key(const std::filesystem::path& file) {
    return versionOf(file).key;
}

void ThumbnailCache::load(const std::filesystem::path& file, int side, qreal scale,
                          QObject* receiver, Delivery done) {
    const FileVersion version = versionOf(file);
    if (const auto cached = cache_.constFind(version.key); cached != cache_.constEnd()) {
        done(*cached);
        return;
    }
    const int pixels = static_cast<int>(std::ceil(side * scale));
    const bool watched = receiver != nullptr;
    const QPointer<QObject> guard(receiver);
    pool_.start([this, file, version, side, scale, pixels, watched, guard, done] {
        const Made made = make(folder_, file, version.modifiedSeconds, version.regular, pixels);
        QMetaObject::invokeMethod(
            this,
            [this, made, key = version.key, side, scale, watched, guard, done] {
                // The icon theme is only safe to use here, on the main thread.
                QImage image =
                    made.image.isNull() ? FileIcon::image(made.iconNames, side, scale) : made.image;
                image.setDevicePixelRatio(scale);
                store(key, image);
                if (!watched || guard)
                    done(image);
            },
            Qt::QueuedConnection);
    });
}

ThumbnailCache::Made ThumbnailCache::make(const ThumbnailFolder& folder,
                                          const std::filesystem::path& file,
                                          std::int64_t modifiedSeconds, bool regular, int pixels) {
    // Only regular files are opened: reading a named pipe would never return.
    if (regular) {
        if (QImage thumbnail = folder.find(file, modifiedSeconds, pixels); !thumbnail.isNull())
            return {covering(thumbnail, pixels), {}};
        if (QImage image = decoded(file, pixels); !image.isNull())
            return {std::move(image), {}};
    }
    return {{}, iconNamesOf(file)};
}

void ThumbnailCache::store(const QString& key, const QImage& image) {
    if (cache_.size() > capacity)
        cache_.clear();
    cache_.insert(key, image);
}

} // namespace dustlyn
