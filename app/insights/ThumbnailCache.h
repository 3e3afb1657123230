#pragma once

#include "app/insights/ThumbnailFolder.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <filesystem>
#include <functional>

namespace dustlyn {

// Pictures of files for the rows that list them: the thumbnail a file browser already made,
// else the image itself scaled down, else the file type's icon. Made on worker threads and
// kept in memory by file version, so a file that changes is seen afresh. Lives on the main
// thread and delivers there.
class ThumbnailCache : public QObject {
    Q_OBJECT

public:
    using Delivery = std::function<void(const QImage&)>;

    // Once the cache holds more than this many pictures, the next one empties it first.
    static constexpr qsizetype capacity = 400;

    // `thumbnailFolder` is the freedesktop.org cache, normally ~/.cache/thumbnails.
    explicit ThumbnailCache(std::filesystem::path thumbnailFolder, QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The file's version: its path, "#", and its modification time in seconds since 1970
    // ("0" when it cannot be read).
    static QString key(const std::filesystem::path& file);

    // Gives `done` a picture of `file` `side` points square at `scale` (device pixels per
    // point): at once when this version of the file has one, else on this thread once it
    // is made. Nothing is delivered after `receiver` is destroyed. Always some picture.
    void load(const std::filesystem::path& file, int side, qreal scale, QObject* receiver,
              Delivery done);

    qsizetype size() const { return cache_.size(); }

private:
    struct Made;
    static Made make(const ThumbnailFolder& folder, const std::filesystem::path& file,
                     std::int64_t modifiedSeconds, bool regular, int pixels);
    void store(const QString& key, const QImage& image);

    ThumbnailFolder folder_;
    QHash<QString, QImage> cache_;
    QThreadPool pool_;
};

} // namespace dustlyn
