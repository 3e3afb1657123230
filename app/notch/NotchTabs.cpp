#include "app/notch/NotchTabs.h"

#include "app/brand/Palette.h"
#include "app/notch/NotchFont.h"
#include "app/notch/NotchLabel.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace dustlyn {

namespace {

constexpr double tabGap = 16;  // between the two tabs
constexpr double countGap = 6; // between a title and its count
constexpr double countPadding = 5;
constexpr double countMinHeight = 16;

} // namespace

NotchTabs::NotchTabs(QWidget* parent)
    : QTabBar(parent), titleFont_(NotchFont::make(13, QFont::DemiBold)),
      countFont_(NotchFont::make(10.5, QFont::DemiBold)) {
    setDrawBase(false);
    setExpanding(false);
    setDocumentMode(true);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    addTab(QStringLiteral("Leaving soon"));
    addTab(QStringLiteral("Quarantine"));
    setCounts(0, 0);
    connect(this, &QTabBar::currentChanged, this, [this] {
        // Screen readers hear which tab is now the selected one.
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(this);
        for (int i = 0; bar && i < bar->childCount(); ++i) {
            QAccessible::State changed;
            changed.selected = true;
            QAccessibleStateChangeEvent event(bar->child(i), changed);
            QAccessible::updateAccessibility(&event);
        }
    });
}

void NotchTabs::setCounts(std::size_t leaving, std::size_t quarantine) {
    const std::array<std::size_t, 2> counts{leaving, quarantine};
    if (counts == counts_ && !accessibleTabName(0).isEmpty())
        return;
    counts_ = counts;
    for (int i = 0; i < 2; ++i)
        setAccessibleTabName(i, QStringLiteral("%1 (%2)").arg(tabText(i)).arg(fileCount(i)));
    // The tabs' widths follow their counts.
    setTabText(0, tabText(0));
    updateGeometry();
    update();
}

double NotchTabs::titleWidth(int index) const {
    return QFontMetricsF(titleFont_).horizontalAdvance(tabText(index));
}

double NotchTabs::capsuleWidth(int index) const {
    const QString digits = QString::number(fileCount(index));
    const double text = NotchLabel::tabularWidth(digits, QFontMetricsF(countFont_));
    return std::max(text + 2 * countPadding, countMinHeight);
}

QSize NotchTabs::tabSizeHint(int index) const {
    double width = titleWidth(index) + countGap + capsuleWidth(index);
    if (index == 0)
        width += tabGap;
    return {static_cast<int>(std::ceil(width)), height};
}

void NotchTabs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < count(); ++i) {
        const QRectF tab = tabRect(i);
        const bool selected = i == currentIndex();
        const QFontMetricsF titleMetrics(titleFont_);
        painter.setFont(titleFont_);
        painter.setPen(selected ? Palette::notchText() : Palette::notchDim());
        const double middle = tab.center().y();
        painter.drawText(
            QPointF(tab.left(), middle - titleMetrics.height() / 2 + titleMetrics.ascent()),
            tabText(i));
        const QFontMetricsF countMetrics(countFont_);
        const double capsuleHeight = std::max(countMetrics.height(), countMinHeight);
        const QRectF capsule(tab.left() + titleWidth(i) + countGap, middle - capsuleHeight / 2,
                             capsuleWidth(i), capsuleHeight);
        QPainterPath shape;
        shape.addRoundedRect(capsule, capsuleHeight / 2, capsuleHeight / 2);
        painter.fillPath(shape, Palette::notchControl());
        const QString digits = QString::number(fileCount(i));
        const double digitsWidth = NotchLabel::tabularWidth(digits, countMetrics);
        painter.setFont(countFont_);
        painter.setPen(Palette::notchText());
        NotchLabel::drawTabular(painter,
                                QPointF(capsule.center().x() - digitsWidth / 2,
                                        middle - countMetrics.height() / 2 + countMetrics.ascent()),
                                digits, countMetrics);
        if (selected && hasFocus()) {
            painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.85f), 1.5));
            const double right = capsule.right() + 3;
            painter.drawRoundedRect(QRectF(tab.left() - 4, middle - 12, right - tab.left() + 4, 24),
                                    6, 6);
        }
    }
}

void NotchTabs::wheelEvent(QWheelEvent* event) {
    // Scrolling over the header must not flip the list.
    event->ignore();
}

} // namespace dustlyn
