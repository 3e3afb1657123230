#include "app/settings/FlowLayout.h"

#include <QWidget>

#include <algorithm>
#include <limits>

namespace dustlyn {

FlowLayout::FlowLayout(int spacing, int lineSpacing, QWidget* parent)
    : QLayout(parent), spacing_(spacing), lineSpacing_(lineSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

QSize FlowLayout::measure(const std::vector<QSize>& sizes, std::optional<int> width, int spacing,
                          int lineSpacing) {
    const long long limit = width ? *width : std::numeric_limits<int>::max();
    long long x = 0;
    long long y = 0;
    long long lineHeight = 0;
    long long widest = 0;
    for (const QSize& size : sizes) {
        if (x > 0 && x + size.width() > limit) {
            y += lineHeight + lineSpacing;
            lineHeight = 0;
            x = 0;
        }
        x += size.width() + spacing;
        widest = std::max(widest, x - spacing);
        lineHeight = std::max<long long>(lineHeight, size.height());
    }
    return {static_cast<int>(std::min(widest, limit)), static_cast<int>(y + lineHeight)};
}

std::vector<QRect> FlowLayout::place(const std::vector<QSize>& sizes, const QRect& bounds,
                                     int spacing, int lineSpacing) {
    std::vector<QRect> placed;
    placed.reserve(sizes.size());
    const int left = bounds.x();
    const int right = bounds.x() + bounds.width();
    int x = left;
    int y = bounds.y();
    int lineHeight = 0;
    for (const QSize& size : sizes) {
        if (x > left && x + size.width() > right) {
            y += lineHeight + lineSpacing;
            lineHeight = 0;
            x = left;
        }
        placed.emplace_back(QPoint(x, y), size);
        x += size.width() + spacing;
        lineHeight = std::max(lineHeight, size.height());
    }
    return placed;
}

void FlowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
    invalidate();
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size())
        return nullptr;
    QLayoutItem* item = items_.takeAt(index);
    invalidate();
    return item;
}

std::vector<QLayoutItem*> FlowLayout::shownItems() const {
    std::vector<QLayoutItem*> shown;
    for (QLayoutItem* item : items_)
        if (!item->isEmpty())
            shown.push_back(item);
    return shown;
}

std::vector<QSize> FlowLayout::naturalSizes(const std::vector<QLayoutItem*>& items) const {
    std::vector<QSize> sizes;
    sizes.reserve(items.size());
    for (QLayoutItem* item : items)
        sizes.push_back(item->sizeHint());
    return sizes;
}

int FlowLayout::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const int inner = std::max(0, width - margins.left() - margins.right());
    const QSize size = measure(naturalSizes(shownItems()), inner, spacing_, lineSpacing_);
    return size.height() + margins.top() + margins.bottom();
}

QSize FlowLayout::sizeHint() const {
    const QMargins margins = contentsMargins();
    const QSize size = measure(naturalSizes(shownItems()), std::nullopt, spacing_, lineSpacing_);
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

// Narrow enough for the widest single child: the sentence may wrap after every word.
QSize FlowLayout::minimumSize() const {
    QSize widest;
    for (const QSize& size : naturalSizes(shownItems()))
        widest = widest.expandedTo(size);
    const QMargins margins = contentsMargins();
    return widest + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const auto items = shownItems();
    const auto rects =
        place(naturalSizes(items), rect.marginsRemoved(contentsMargins()), spacing_, lineSpacing_);
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i]->setGeometry(rects[i]);
}

} // namespace dustlyn
