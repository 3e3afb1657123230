#include "app/brand/Logo.h"
#include "app/brand/AppIcon.h"
#include "app/brand/Palette.h"
#include "app/brand/TrayLogo.h"
#include "tests/app/support/UiTestApp.h"

#include <QAccessible>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace dustlyn {
namespace {

using testing::uiTestApp;

QImage drawn(QSize pixels, qreal devicePixelRatio, const std::function<void(QPainter&)>& draw) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

TEST(Logo, atSixteenPointsTheStrokeIsThreeQuartersOfAPointWideAndScreenReadersSayDustlyn) {
    uiTestApp();
    // 8 device pixels per point: the mark's 2 px per grid unit grows by half the stroke,
    // 0.375 points = 3 px, on every side.
    const QImage image = drawn({128, 128}, 8, [](QPainter& painter) {
        Logo::paint(painter, QRectF(0, 0, 16, 16), Qt::white, Qt::white);
    });
    QRect painted;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                painted |= QRect(x, y, 1, 1);
    EXPECT_EQ(painted, QRect(QPoint(13, 21), QPoint(114, 106)));

    Logo logo(26, Palette::notchDim(), Palette::signal());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&logo);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Dustlyn"));
}

TEST(Logo, aTranslucentColourCoversEveryPixelOfTheMarkOnce) {
    uiTestApp();
    const QColor dim = Palette::notchDim();
    const QImage image = drawn({64, 64}, 1, [&](QPainter& painter) {
        Logo::paint(painter, QRectF(0, 0, 64, 64), dim, Palette::signal());
    });
    // Where an ear overlaps the body, the stroke's inner and outer halves, the body under the
    // eyes.
    for (const QPoint pixel : {QPoint(17, 30), QPoint(8, 40), QPoint(7, 40), QPoint(32, 47)})
        EXPECT_NEAR(qAlpha(image.pixel(pixel)), dim.alpha(), 1) << pixel.x() << "," << pixel.y();
    EXPECT_EQ(image.pixel(23, 39), Palette::signal().rgb());
}

TEST(Icons, theTrayLogosEyesAreHolesAndTheApplicationIconFillsEachHicolorSize) {
    uiTestApp();
    const QImage twice = TrayLogo::image(2);
    ASSERT_EQ(twice.size(), QSize(36, 36));
    EXPECT_EQ(twice.deviceIndependentSize(), QSizeF(18, 18));
    for (const QPoint eye : {QPoint(12, 22), QPoint(13, 22), QPoint(22, 22), QPoint(23, 22)})
        EXPECT_EQ(qAlpha(twice.pixel(eye)), 0) << eye.x() << "," << eye.y();
    EXPECT_EQ(twice.pixel(18, 27), qRgba(0, 0, 0, 255));

    // At 1× an eye is under two pixels wide: its middle is mostly see-through.
    const QImage once = TrayLogo::image(1);
    ASSERT_EQ(once.size(), QSize(18, 18));
    EXPECT_LT(qAlpha(once.pixel(6, 11)), 128);
    EXPECT_EQ(qAlpha(once.pixel(9, 13)), 255);

    // The application icon at every hicolor size: that size, with the logo in its middle.
    for (const int size : AppIcon::sizes) {
        SCOPED_TRACE(size);
        const QImage icon = AppIcon::render(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
}

} // namespace
} // namespace dustlyn
