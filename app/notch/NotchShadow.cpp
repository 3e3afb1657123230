#include "app/notch/NotchShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace dustlyn {

namespace {

constexpr double scale = 0.25; // of the body's size, for the blurred picture
constexpr int margin = static_cast<int>(NotchShadow::reach * scale) + 2;

// The plane's index of the `i`th sample from `base`, `step` apart; all three are never
// negative.
std::size_t at(int base, int i, int step) {
    return static_cast<std::size_t>(base) +
           static_cast<std::size_t>(i) * static_cast<std::size_t>(step);
}

// One pass of a running-sum box blur of half-width `radius` along rows (`step` 1) or
// columns (`step` = row length) of an alpha plane.
void boxPass(std::vector<float>& plane, int lines, int length, int stride, int step, int radius) {
    std::vector<float> line(static_cast<std::size_t>(length));
    const float width = static_cast<float>(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        const int base = l * stride;
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = plane[at(base, i, step)];
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += line[static_cast<std::size_t>(std::clamp(i, 0, length - 1))];
        for (int i = 0; i < length; ++i) {
            plane[at(base, i, step)] = sum / width;
            sum += line[static_cast<std::size_t>(std::min(i + radius + 1, length - 1))];
            sum -= line[static_cast<std::size_t>(std::max(i - radius, 0))];
        }
    }
}

} // namespace

QImage NotchShadow::render(const Key& key) {
    const int w = static_cast<int>(std::ceil(key.width * scale)) + 2 * margin;
    const int h = static_cast<int>(std::ceil(key.height * scale)) + 2 * margin;
    QImage mask(w, h, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(margin, margin);
        painter.scale(scale, scale);
        const NotchShape shape{double(key.top), double(key.bottom)};
        painter.fillPath(shape.path(QRectF(0, 0, key.width, key.height)), Qt::black);
    }
    std::vector<float> plane(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            plane[at(y * w, x, 1)] = mask.constScanLine(y)[x];
    // Three box passes each way come close to a Gaussian of half the blur radius.
    const int radius = std::max(1, static_cast<int>(std::lround(blur / 2 * scale)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(plane, h, w, w, 1, radius);
        boxPass(plane, w, h, 1, w, radius);
    }
    QImage shadow(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgba(0, 0, 0, std::clamp(int(plane[at(y * w, x, 1)]), 0, 255));
    }
    return shadow;
}

void NotchShadow::paint(QPainter& painter, const QRectF& rect, const NotchShape& shape,
                        double opacity) {
    if (opacity <= 0 || rect.width() < 1 || rect.height() < 1)
        return;
    const Key key{static_cast<int>(std::lround(rect.width())),
                  static_cast<int>(std::lround(rect.height())),
                  static_cast<int>(std::lround(shape.topRadius)),
                  static_cast<int>(std::lround(shape.bottomRadius))};
    if (!(key == key_) || image_.isNull()) {
        key_ = key;
        image_ = render(key);
    }
    const double pad = margin / scale;
    const QRectF target(rect.left() - pad, rect.top() - pad + offset, key.width + 2 * pad,
                        key.height + 2 * pad);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(painter.opacity() * opacity);
    painter.drawImage(target, image_);
    painter.restore();
}

} // namespace dustlyn
