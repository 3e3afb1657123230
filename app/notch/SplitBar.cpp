#include "app/notch/SplitBar.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <numeric>

namespace dustlyn {

SplitBar::SplitBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void SplitBar::setParts(std::vector<std::int64_t> parts) {
    if (parts == parts_)
        return;
    parts_ = std::move(parts);
    update();
}

std::vector<SplitBar::Segment> SplitBar::segments(const std::vector<std::int64_t>& parts,
                                                  double width) {
    std::vector<Segment> result;
    if (parts.empty())
        return result;
    const double total =
        static_cast<double>(std::accumulate(parts.begin(), parts.end(), std::int64_t{0}));
    const double available = width - gap * static_cast<double>(parts.size() - 1);
    double x = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        // Empty files only: equal shares rather than a division by nothing.
        const double share = total > 0 ? static_cast<double>(parts[i]) / total
                                       : 1.0 / static_cast<double>(parts.size());
        const double w = std::max(available * share, minimumWidth);
        result.push_back({x, w, std::max(0.92 - 0.2 * static_cast<double>(i), 0.3)});
        x += w + gap;
    }
    return result;
}

void SplitBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double h = height();
    for (const Segment& segment : segments(parts_, width())) {
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(segment.x, 0, segment.width, h), h / 2, h / 2);
        painter.fillPath(capsule, QColor::fromRgbF(1, 1, 1, static_cast<float>(segment.opacity)));
    }
}

} // namespace dustlyn
