#include "app/onboarding/SampleFile.h"

#include "app/brand/LogoTile.h"
#include "core/base/Paths.h"
#include "core/quarantine/Purger.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>

#include <unistd.h>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

constexpr qreal tilePoints = 256;
constexpr qreal paddingPoints = 40;
constexpr qreal scale = 2;
// Another program may take a free name between the choice and the write; a few more
// names are tried before giving up.
constexpr int attempts = 5;

bool writableFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::optional<fs::path> SampleFile::folder(const UserFolders& folders) {
    for (const std::string& text : {folders.downloads, folders.desktop}) {
        const fs::path candidate = expandTilde(text, folders.home);
        if (writableFolder(candidate))
            return candidate;
    }
    std::error_code error;
    fs::create_directories(folders.supportDirectory(), error);
    if (writableFolder(folders.supportDirectory()))
        return folders.supportDirectory();
    return std::nullopt;
}

QImage SampleFile::render() {
    const qreal side = tilePoints + 2 * paddingPoints;
    const int pixels = static_cast<int>(side * scale);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    LogoTile::paint(painter, QRectF(paddingPoints, paddingPoints, tilePoints, tilePoints));
    painter.end();
    return image;
}

std::optional<fs::path> SampleFile::write(const fs::path& folder, const QImage& image,
                                          std::string& error) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        error = "the picture could not be encoded";
        return std::nullopt;
    }
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const fs::path destination = Purger::uniqueDestination(folder, fileName);
        QFile file(QFile::decodeName(destination.c_str()));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            error = file.errorString().toStdString();
            if (file.error() == QFileDevice::OpenError && fs::exists(destination))
                continue;
            return std::nullopt;
        }
        if (file.write(png) != png.size() || !file.flush()) {
            error = file.errorString().toStdString();
            file.close();
            file.remove();
            return std::nullopt;
        }
        return destination;
    }
    return std::nullopt;
}

} // namespace dustlyn
