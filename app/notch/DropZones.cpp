#include "app/notch/DropZones.h"

#include "app/notch/DropZone.h"
#include "app/notch/NotchController.h"

namespace dustlyn {

namespace {

constexpr int sideInset = 16;
constexpr int topInset = 10;
constexpr int bottomInset = 16;
constexpr int gap = 10;

} // namespace

DropZones::DropZones(const NotchContext& context, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    NotchController& controller = context.controller;
    const DropZone::Dropped dropped = [&controller](std::vector<std::filesystem::path> urls,
                                                    NotchViewModel::DropKind kind) {
        controller.handleDrop(urls, kind);
    };
    keep_ = new DropZone(QStringLiteral("Keep forever"), QStringLiteral("No rule will touch it"),
                         NotchSymbol::Name::pin, NotchViewModel::DropKind::keep, dropped, this);
    timer_ = new DropZone(QStringLiteral("Remove in 1 hour"),
                          QStringLiteral("Then 7 days in quarantine"), NotchSymbol::Name::timer,
                          NotchViewModel::DropKind::timer, dropped, this);
}

void DropZones::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Each zone's widget reaches a little beyond its outline, which grows into it.
    const int m = DropZone::margin;
    const int w = (width() - 2 * sideInset - gap) / 2;
    const int h = height() - topInset - bottomInset;
    keep_->setGeometry(sideInset - m, topInset - m, w + 2 * m, h + 2 * m);
    timer_->setGeometry(sideInset + w + gap - m, topInset - m, w + 2 * m, h + 2 * m);
}

void DropZones::hideEvent(QHideEvent* event) {
    // A drag that ended elsewhere never says it left.
    keep_->setTargeted(false);
    timer_->setTargeted(false);
    keep_->settle();
    timer_->settle();
    QWidget::hideEvent(event);
}

} // namespace dustlyn
