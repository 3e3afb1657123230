#include "app/notch/PeekProgress.h"

#include "app/brand/Palette.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchDerived.h"

#include <QPainter>
#include <QPainterPath>

namespace dustlyn {

PeekProgress::PeekProgress(const NotchContext& context, QWidget* parent)
    : QWidget(parent), context_(context), frames_(this) {
    setFixedHeight(height);
    setAttribute(Qt::WA_TranslucentBackground);
    frames_.setInterval(16);
    frames_.setTimerType(Qt::PreciseTimer);
    connect(&frames_, &QTimer::timeout, this, &PeekProgress::frame);
    connect(&context.vm, &NotchViewModel::modeChanged, this, &PeekProgress::follow);
    connect(&context.vm, &NotchViewModel::peekHoveredChanged, this, &PeekProgress::follow);
    connect(&context.vm, &NotchViewModel::peekEndsAtChanged, this, &PeekProgress::follow);
}

double PeekProgress::fraction() const {
    return NotchDerived::peekProgress(context_.vm.peekHovered(), context_.vm.peekEndsAt(),
                                      context_.controller.now());
}

void PeekProgress::follow() {
    const bool moving = isVisible() && context_.vm.mode() == NotchViewModel::Mode::peek &&
                        !context_.vm.peekHovered() && fraction() > 0;
    if (moving && !frames_.isActive())
        frames_.start();
    else if (!moving)
        frames_.stop();
    update();
}

void PeekProgress::frame() {
    update();
    if (fraction() <= 0)
        frames_.stop();
}

void PeekProgress::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    follow();
}

void PeekProgress::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    frames_.stop();
}

void PeekProgress::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double radius = height / 2.0;
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(track, Palette::notchControl());
    const double filled = width() * fraction();
    if (filled <= 0)
        return;
    QPainterPath bar;
    bar.addRoundedRect(QRectF(0, 0, filled, height), radius, radius);
    painter.fillPath(bar, QColor::fromRgbF(1, 1, 1, 0.8f));
}

} // namespace dustlyn
