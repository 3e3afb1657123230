#include "app/insights/ThumbnailCache.h"
#include "app/insights/FileIcon.h"
#include "app/insights/ThumbnailFolder.h"
#include "tests/app/support/UiTestApp.h"
#include "tests/core/support/TempDir.h"

#include <QIcon>
#include <QUrl>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <optional>

namespace dustlyn {
namespace {

namespace fs = std::filesystem;
using testing::setModificationDate;
using testing::spinUntil;
using testing::TempDir;
using testing::uiTestApp;
using testing::writeFile;

constexpr int side = 36;
constexpr qreal scale = 2;

QImage filled(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

QString qtPath(const fs::path& path) {
    return QString::fromStdString(path.native());
}

void savePng(const QImage& image, const fs::path& file) {
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(image.save(qtPath(file), "png")) << file;
}

// An icon theme of one icon, text-plain, in magenta; nothing else of the system's themes.
void useTestIconTheme(const fs::path& root) {
    writeFile(root / "dustlyn-test/index.theme", "[Icon Theme]\nName=dustlyn-test\n"
                                                 "Directories=64x64/mimetypes\n\n"
                                                 "[64x64/mimetypes]\nSize=64\nType=Fixed\n");
    savePng(filled({64, 64}, Qt::magenta), root / "dustlyn-test/64x64/mimetypes/text-plain.png");
    QIcon::setFallbackSearchPaths({});
    QIcon::setThemeSearchPaths({qtPath(root)});
    QIcon::setThemeName(QStringLiteral("dustlyn-test"));
}

QColor middleColour(const QImage& image) {
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        uiTestApp();
        useTestIconTheme(home / "icons");
    }

    // Waits for the delivery; empty when none came.
    std::optional<QImage> load(const fs::path& file) {
        std::optional<QImage> delivered;
        cache.load(file, side, scale, nullptr, [&](const QImage& image) { delivered = image; });
        spinUntil([&] { return delivered.has_value(); });
        return delivered;
    }

    TempDir home{"dustlyn-thumbnails"};
    fs::path thumbnails = home / ".cache/thumbnails";
    ThumbnailCache cache{thumbnails};
};

TEST(ThumbnailFolder, spellsTheUriAsGlibAndAsQtDo) {
    const fs::path odd = "/home/ann/Pictures/a b;c[1]#é.png";
    const auto uris = ThumbnailFolder::fileUris(odd);
    ASSERT_EQ(uris.size(), 2u);
    EXPECT_EQ(uris[0], "file:///home/ann/Pictures/a%20b%3Bc%5B1%5D%23%C3%A9.png");
    EXPECT_EQ(uris[1], QUrl::fromLocalFile(qtPath(odd)).toEncoded());

    EXPECT_EQ(ThumbnailFolder::fileUris("/home/ann/plain-name_1.png").size(), 1u);
    EXPECT_EQ(ThumbnailFolder::fileUris("/tmp/\xff").front(), "file:///tmp/%FF");
    EXPECT_EQ(ThumbnailFolder::thumbnailName("file:///home/jens/photos/me.png"),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST_F(ThumbnailCacheTest, eachSourceIsTriedInTurnDownToADrawnPage) {
    // A red picture, with a thumbnail of `color` under `uri` made for `mtimeLag` seconds
    // before the file's modification time, as file browsers write it: a PNG named by the
    // URI's MD5, with the file's modification time in a Thumb::MTime text chunk.
    const auto picture = [&](const char* name, std::optional<QByteArray> uri, QColor color,
                             std::int64_t mtimeLag = 0) {
        const fs::path file = home / name;
        savePng(filled({400, 300}, Qt::red), file);
        setModificationDate(file, dateFromUnix(1'700'000'000));
        const QByteArray key = uri.value_or(ThumbnailFolder::fileUris(file)[0]);
        QImage thumbnail = filled({128, 96}, color);
        thumbnail.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(key));
        thumbnail.setText(QStringLiteral("Thumb::MTime"),
                          QString::number(1'700'000'000 - mtimeLag));
        savePng(thumbnail,
                thumbnails / "normal" / ThumbnailFolder::thumbnailName(key).toStdString());
        return file;
    };
    // A thumbnail made for the file's modification time is used.
    const auto fresh = load(picture("photo.png", {}, Qt::green));
    // A thumbnail under Qt's spelling of the name is found.
    const QByteArray qtUri = QUrl::fromLocalFile(qtPath(home / "shot;[2].png")).toEncoded();
    const auto qtSpelling = load(picture("shot;[2].png", qtUri, Qt::cyan));
    // A thumbnail of an older version is passed over for the image itself.
    const auto older = load(picture("edited.png", {}, Qt::green, 1));
    // A file that is no image shows its type's icon.
    writeFile(home / "notes.txt", "plain words");
    const auto icon = load(home / "notes.txt");
    ASSERT_TRUE(fresh && qtSpelling && older && icon);
    EXPECT_EQ(middleColour(*fresh), QColor(Qt::green));
    EXPECT_EQ(middleColour(*qtSpelling), QColor(Qt::cyan));
    EXPECT_EQ(middleColour(*older), QColor(Qt::red));
    EXPECT_EQ(older->size(), QSize(96, 72)) << "its shorter side covers 36 points at 2x";
    EXPECT_EQ(middleColour(*icon), QColor(Qt::magenta));
    for (const QImage& image : {*fresh, *qtSpelling, *older, *icon})
        EXPECT_EQ(image.devicePixelRatio(), scale);
    // Without an icon in the theme a page is drawn, and a pipe is never opened.
    writeFile(home / "data.bin", std::string("\x00\x01\x02\xff", 4));
    ASSERT_EQ(::mkfifo((home / "pipe").c_str(), 0600), 0);
    const QImage page = FileIcon::drawnPage(side, scale);
    EXPECT_EQ(load(home / "data.bin"), page);
    EXPECT_EQ(load(home / "pipe"), page);
}

TEST_F(ThumbnailCacheTest, aFileVersionSeenBeforeIsDeliveredAtOnceAndAChangedFileAfresh) {
    const fs::path file = home / "shot.png";
    savePng(filled({100, 100}, Qt::red), file);
    ASSERT_TRUE(load(file));

    bool atOnce = false;
    cache.load(file, side, scale, nullptr, [&](const QImage&) { atOnce = true; });
    EXPECT_TRUE(atOnce);

    savePng(filled({100, 100}, Qt::blue), file);
    setModificationDate(file, dateFromUnix(1'700'000'000));
    const auto fresh = load(file);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(middleColour(*fresh), QColor(Qt::blue));
}

} // namespace
} // namespace dustlyn
