#include "app/insights/FileThumbnail.h"

#include "app/insights/ThumbnailCache.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dustlyn {

FileThumbnail::FileThumbnail(ThumbnailCache& cache, int side, QWidget* parent)
    : QWidget(parent), cache_(cache), side_(side) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TranslucentBackground);
}

void FileThumbnail::setFile(const std::filesystem::path& file) {
    const QString key = ThumbnailCache::key(file);
    if (file == file_ && key == key_)
        return;
    // Another file's picture must not linger; a newer version of the same file replaces
    // the old picture when it comes.
    if (file != file_)
        image_ = QImage();
    file_ = file;
    key_ = key;
    setAccessibleName(QFile::decodeName(file.filename().c_str()));
    const std::uint64_t request = ++request_;
    cache_.load(file, side_, devicePixelRatioF(), this, [this, request](const QImage& image) {
        // An answer for a file shown before this one is dropped.
        if (request != request_)
            return;
        image_ = image;
        update();
    });
    update();
}

void FileThumbnail::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF square(0, 0, side_, side_);
    QPainterPath shape;
    shape.addRoundedRect(square, 0.22 * side_, 0.22 * side_);
    painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, 0.06f));
    if (image_.isNull())
        return;
    // Fills the square with the picture's middle, its proportions kept.
    const int shorter = std::min(image_.width(), image_.height());
    const QRect middle((image_.width() - shorter) / 2, (image_.height() - shorter) / 2, shorter,
                       shorter);
    painter.setClipPath(shape);
    painter.drawImage(square, image_, middle);
}

} // namespace dustlyn
