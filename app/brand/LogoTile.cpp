#include "app/brand/LogoTile.h"

#include "app/brand/Logo.h"
#include "app/brand/Palette.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace dustlyn {

namespace {

constexpr qreal shadowOpacity = 0.25;
constexpr qreal shadowRadius = 0.12; // of the tile's size
constexpr qreal shadowDrop = 0.06;   // of the tile's size
constexpr qreal cornerRadius = 0.225;
constexpr qreal logoScale = 0.7;

// One pass of a running-sum box blur over `count` values `stride` apart.
void boxBlurLine(uchar* line, int count, int stride, int radius, std::vector<int>& scratch) {
    scratch.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        scratch[static_cast<std::size_t>(i)] = line[std::ptrdiff_t{i} * stride];
    const int width = 2 * radius + 1;
    int sum = 0;
    for (int i = -radius - 1; i < radius; ++i)
        sum += (i >= 0 && i < count) ? scratch[static_cast<std::size_t>(i)] : 0;
    for (int i = 0; i < count; ++i) {
        const int entering = i + radius, leaving = i - radius - 1;
        sum += entering < count ? scratch[static_cast<std::size_t>(entering)] : 0;
        sum -= leaving >= 0 ? scratch[static_cast<std::size_t>(leaving)] : 0;
        line[std::ptrdiff_t{i} * stride] = static_cast<uchar>((sum + width / 2) / width);
    }
}

// Three box blurs in each direction come close to a Gaussian of standard deviation
// `sigma`. Only the alpha channel carries anything: the shadow is black.
void blurAlpha(QImage& alpha, qreal sigma) {
    const int radius =
        std::max(0, static_cast<int>(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    if (radius == 0)
        return;
    std::vector<int> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < alpha.height(); ++y)
            boxBlurLine(alpha.scanLine(y), alpha.width(), 1, radius, scratch);
        for (int x = 0; x < alpha.width(); ++x)
            boxBlurLine(alpha.bits() + x, alpha.height(), static_cast<int>(alpha.bytesPerLine()),
                        radius, scratch);
    }
}

void paintShadow(QPainter& painter, const QPainterPath& shape, const QRectF& tile) {
    const qreal dpr = painter.device()->devicePixelRatioF();
    const qreal margin = LogoTile::shadowMargin(tile.width());
    const QRectF area = tile.adjusted(-margin, -margin, margin, margin);
    QImage alpha(area.size().toSize() * dpr, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter shadowPainter(&alpha);
        shadowPainter.setRenderHint(QPainter::Antialiasing);
        shadowPainter.scale(dpr, dpr);
        shadowPainter.translate(-area.topLeft() + QPointF(0, shadowDrop * tile.width()));
        shadowPainter.fillPath(shape, QColor::fromRgbF(0, 0, 0, shadowOpacity));
    }
    // A shadow's radius reads as about twice the blur's standard deviation.
    blurAlpha(alpha, shadowRadius * tile.width() * dpr / 2);
    QImage shadow(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::black);
    {
        QPainter mask(&shadow);
        mask.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        mask.drawImage(0, 0, alpha);
    }
    shadow.setDevicePixelRatio(dpr);
    painter.drawImage(area.topLeft(), shadow);
}

} // namespace

LogoTile::LogoTile(qreal tileSize, QWidget* parent) : QWidget(parent), tileSize_(tileSize) {
    setAccessibleName(QStringLiteral("Dustlyn"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void LogoTile::setTileSize(qreal tileSize) {
    if (tileSize == tileSize_)
        return;
    tileSize_ = tileSize;
    setFixedSize(sizeHint());
    update();
}

QSize LogoTile::sizeHint() const {
    const int side = static_cast<int>(std::ceil(tileSize_ + 2 * shadowMargin(tileSize_)));
    return {side, side};
}

qreal LogoTile::shadowMargin(qreal tileSize) {
    return std::ceil((shadowRadius + shadowDrop) * tileSize);
}

void LogoTile::paint(QPainter& painter, const QRectF& tile, bool withShadow) {
    const qreal size = std::min(tile.width(), tile.height());
    QRectF square(0, 0, size, size);
    square.moveCenter(tile.center());
    QPainterPath shape;
    shape.addRoundedRect(square, cornerRadius * size, cornerRadius * size);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (withShadow)
        paintShadow(painter, shape, square);
    // White at 0.17 over black at the top, so the tile looks the same on any background.
    QLinearGradient gradient(square.topLeft(), square.bottomLeft());
    gradient.setColorAt(0, QColor::fromRgbF(0.17f, 0.17f, 0.17f));
    gradient.setColorAt(1, Qt::black);
    painter.fillPath(shape, gradient);
    QRectF logo(0, 0, logoScale * size, logoScale * size);
    logo.moveCenter(square.center());
    Logo::paint(painter, logo, Qt::white, Palette::signal());
    painter.restore();
}

void LogoTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRectF tile(0, 0, tileSize_, tileSize_);
    tile.moveCenter(QRectF(rect()).center());
    paint(painter, tile);
}

} // namespace dustlyn
