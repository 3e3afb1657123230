#include "app/settings/SwitchButton.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPainter>

namespace dustlyn {

namespace {

// Room around the track for the focus ring, which would otherwise be clipped to the
// widget and show only at its corners.
constexpr int ringRoom = 3;

} // namespace

QSize SwitchButton::trackSize() const {
    return size_ == Size::small ? QSize(30, 18) : QSize(38, 22);
}

SwitchButton::SwitchButton(const QString& accessibleName, Size size, QWidget* parent)
    : QAbstractButton(parent), size_(size) {
    setCheckable(true);
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SwitchButton::setOn(bool on) {
    if (isChecked() == on)
        return;
    const QSignalBlocker quiet(this);
    setChecked(on);
}

QSize SwitchButton::sizeHint() const {
    return trackSize() + QSize(2 * ringRoom, 2 * ringRoom);
}

void SwitchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize trackSize = this->trackSize();
    const QRectF track(
        QPointF((width() - trackSize.width()) / 2.0, (height() - trackSize.height()) / 2.0),
        QSizeF(trackSize));
    const QPalette& colors = palette();
    QColor fill =
        isChecked() ? colors.color(QPalette::Highlight) : colors.color(QPalette::WindowText);
    if (!isChecked())
        fill.setAlphaF(0.18f);
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const qreal radius = track.height() / 2;
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = 2;
    const qreal knob = track.height() - 2 * inset;
    const qreal x = isChecked() ? track.right() - inset - knob : track.left() + inset;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + inset, knob, knob));

    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colors.color(QPalette::Highlight), 2));
        painter.drawRoundedRect(track.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    }
}

void SwitchButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !qobject_cast<QDialog*>(window())) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace dustlyn
