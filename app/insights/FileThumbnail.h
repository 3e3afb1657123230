#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <filesystem>

namespace dustlyn {

class ThumbnailCache;

// A file's picture in a square of `side` points with rounded corners, on a faint plate
// while the picture is being made. `cache` must outlive the widget.
class FileThumbnail : public QWidget {
    Q_OBJECT

public:
    FileThumbnail(ThumbnailCache& cache, int side, QWidget* parent = nullptr);

    int side() const { return side_; }
    const std::filesystem::path& file() const { return file_; }
    // What is shown: null until the cache has delivered.
    const QImage& image() const { return image_; }

    // Shows `file`, asking the cache again when the file is another one or has changed
    // since it was last asked for.
    void setFile(const std::filesystem::path& file);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThumbnailCache& cache_;
    int side_;
    std::filesystem::path file_;
    QString key_;
    QImage image_;
    std::uint64_t request_ = 0;
};

} // namespace dustlyn
