#include "app/onboarding/StepDots.h"

#include <QPainter>

namespace dustlyn {

namespace {

constexpr qreal diameter = 7;
constexpr qreal gap = 8;

} // namespace

StepDots::StepDots(int count, QWidget* parent) : QWidget(parent), count_(count) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCurrent(0);
}

void StepDots::setCurrent(int step) {
    current_ = step;
    setAccessibleName(QStringLiteral("Step %1 of %2").arg(step + 1).arg(count_));
    update();
}

QSize StepDots::sizeHint() const {
    return {qRound(count_ * diameter + (count_ - 1) * gap), qRound(diameter) + 2};
}

void StepDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor text = palette().color(QPalette::WindowText);
    QColor dim = text;
    dim.setAlphaF(0.18f);
    const qreal top = (height() - diameter) / 2;
    for (int i = 0; i < count_; ++i) {
        painter.setBrush(i == current_ ? text : dim);
        painter.drawEllipse(QRectF(i * (diameter + gap), top, diameter, diameter));
    }
}

} // namespace dustlyn
