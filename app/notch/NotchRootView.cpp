#include "app/notch/NotchRootView.h"

#include "app/brand/Palette.h"
#include "app/notch/DropZones.h"
#include "app/notch/LeavingSnapshot.h"
#include "app/notch/NotchController.h"
#include "app/notch/OpenPanel.h"
#include "app/notch/PeekCard.h"
#include "app/notch/PillContent.h"
#include "app/notch/ToastRow.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>

#include <cmath>

namespace dustlyn {

namespace {

using Mode = NotchViewModel::Mode;

constexpr double shadowOpacity = 0.35;

// How a face appears: after `delay`, over `duration` seconds.
struct Appearance {
    double delay;
    double duration;
};

Appearance appearanceOf(Mode mode) {
    switch (mode) {
    case Mode::pill:
        return {0, 0.2};
    case Mode::open:
    case Mode::peek:
        return {0.08, 0.18};
    case Mode::toast:
        return {0.06, 0.18};
    case Mode::drop:
        return {0, 0.15};
    }
    return {0, 0};
}

} // namespace

NotchRootView::NotchRootView(const NotchContext& context, QWidget* parent)
    : QWidget(parent), context_(context), motion_(this), clip_(new QWidget(this)),
      pill_(new PillContent(context, clip_)) {
    clip_->setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    pill_->hide();
    // In the order of Channel; sizes and radii settle to a fiftieth of a point.
    motion_.add(0, 0.02);  // bodyWidth
    motion_.add(0, 0.02);  // bodyHeight
    motion_.add(0, 0.02);  // topRadius
    motion_.add(0, 0.02);  // bottomRadius
    motion_.add(0, 0.001); // shadowAlpha
    connect(&motion_, &NotchMotion::frame, this, &NotchRootView::frame);
    fade_.setStartValue(0.0);
    fade_.setEndValue(1.0);
    const NotchViewModel& vm = context.vm;
    for (const auto signal : {&NotchViewModel::tabChanged, &NotchViewModel::geometryChanged,
                              &NotchViewModel::hiddenChanged, &NotchViewModel::pillEnabledChanged,
                              &NotchViewModel::peekFilesChanged})
        connect(&vm, signal, this, &NotchRootView::retarget);
    connect(&vm, &NotchViewModel::modeChanged, this, [this] {
        // Made before the body starts moving, so that its first frame is not a late one.
        prepare(context_.vm.mode());
        retarget();
        showFace();
    });
    connect(&context.controller, &NotchController::faceAhead, this, &NotchRootView::prepare);
    connect(&context.leaving, &LeavingSnapshot::changed, this, &NotchRootView::retarget);
    connect(&context.model, &AppModel::quarantinedChanged, this, &NotchRootView::retarget);
    retarget();
    showFace();
    settle();
}

QRectF NotchRootView::bodyTarget() const {
    const QSizeF size = context_.controller.currentBody();
    return {(width() - size.width()) / 2, 0, size.width(), size.height()};
}

NotchShape NotchRootView::shapeTarget() const {
    switch (context_.vm.mode()) {
    case Mode::pill:
        return {6, context_.vm.geometry().hasNotch ? 10.0 : 9.0};
    case Mode::toast:
        return {14, 22};
    case Mode::open:
    case Mode::peek:
    case Mode::drop:
        return {14, 28};
    }
    return {};
}

double NotchRootView::shadowTarget() const {
    return context_.vm.mode() == Mode::pill ? 0 : shadowOpacity;
}

bool NotchRootView::animating() const {
    return motion_.running() || fade_.state() == QAbstractAnimation::Running;
}

void NotchRootView::retarget() {
    const NotchAnimation& curve = context_.vm.animation();
    const QRectF body = bodyTarget();
    const NotchShape shape = shapeTarget();
    motion_.animateTo(bodyWidth, body.width(), curve);
    motion_.animateTo(bodyHeight, body.height(), curve);
    motion_.animateTo(topRadius, shape.topRadius, curve);
    motion_.animateTo(bottomRadius, shape.bottomRadius, curve);
    motion_.animateTo(shadowAlpha, shadowTarget(), curve);
    layoutFace();
}

template <class Face> Face& NotchRootView::made(Face*& face) {
    if (!face) {
        face = new Face(context_, clip_);
        face->hide();
    }
    return *face;
}

OpenPanel& NotchRootView::openPanel() {
    return made(open_);
}

PeekCard& NotchRootView::peekCard() {
    return made(peek_);
}

ToastRow& NotchRootView::toastRow() {
    return made(toast_);
}

DropZones& NotchRootView::dropZones() {
    return made(drop_);
}

void NotchRootView::prepare(Mode mode) {
    faceFor(mode);
}

QWidget* NotchRootView::faceFor(Mode mode) {
    switch (mode) {
    case Mode::pill:
        return pill_;
    case Mode::open:
        return &openPanel();
    case Mode::peek:
        return &peekCard();
    case Mode::toast:
        return &toastRow();
    case Mode::drop:
        return &dropZones();
    }
    return pill_;
}

void NotchRootView::layoutFace() {
    if (!face_)
        return;
    // A pill of no width: nothing to show, nothing for a screen reader to find.
    if (face_ == pill_)
        pill_->setVisible(bodyTarget().width() > 0);
    clipFace();
}

// The face is laid out for the body it is heading for, and shows only within the body
// as drawn now: while the body grows, its edge uncovers the face rather than the face
// floating beside it. The clip is a plain parent widget, whose rectangle clips children
// cheaply and works with the fade's opacity effect.
void NotchRootView::clipFace() {
    if (!face_)
        return;
    const QRectF body = bodyTarget();
    const double band = context_.vm.geometry().notchHeight;
    const QRectF area = face_ == pill_
                            ? QRectF(body.left(), 0, body.width(), band)
                            : QRectF(body.left(), band, body.width(), body.height() - band);
    const double w = motion_.value(bodyWidth);
    const QRect shown =
        QRectF((width() - w) / 2, 0, w, motion_.value(bodyHeight)).toAlignedRect() & rect();
    clip_->setGeometry(shown);
    face_->setGeometry(area.toAlignedRect().translated(-shown.topLeft()));
}

void NotchRootView::showFace() {
    QWidget* next = faceFor(context_.vm.mode());
    if (next == face_)
        return;
    fade_.stop();
    if (face_) {
        face_->setGraphicsEffect(nullptr);
        face_->hide();
    }
    face_ = next;
    next->show();
    layoutFace();
    const Appearance appearance = appearanceOf(context_.vm.mode());
    fadeIn(next, appearance.delay, appearance.duration);
}

void NotchRootView::fadeIn(QWidget* face, double delay, double duration) {
    auto* effect = new QGraphicsOpacityEffect(face);
    effect->setOpacity(0);
    face->setGraphicsEffect(effect);
    fade_.disconnect(this);
    fade_.setDuration(static_cast<int>(std::lround((delay + duration) * 1000)));
    connect(&fade_, &QVariantAnimation::valueChanged, this, [this, effect, delay, duration] {
        const double t = fade_.currentTime() / 1000.0;
        const double progress = std::clamp((t - delay) / duration, 0.0, 1.0);
        // Ease out: quick to show, gentle to settle.
        effect->setOpacity(1 - std::pow(1 - progress, 3));
    });
    connect(&fade_, &QVariantAnimation::finished, this,
            [face] { face->setGraphicsEffect(nullptr); });
    fade_.start();
}

void NotchRootView::settle() {
    motion_.finish();
    if (fade_.state() == QAbstractAnimation::Running) {
        fade_.stop();
        if (face_)
            face_->setGraphicsEffect(nullptr);
    }
    pill_->settle();
}

void NotchRootView::setShadowEnabled(bool enabled) {
    if (enabled == shadowEnabled_)
        return;
    shadowEnabled_ = enabled;
    update();
}

QRectF NotchRootView::drawnRect() const {
    const double w = motion_.value(bodyWidth) + 2 * motion_.value(topRadius);
    return {(width() - w) / 2, 0, w, motion_.value(bodyHeight)};
}

QPainterPath NotchRootView::drawnShape() const {
    if (motion_.value(bodyWidth) <= 0.5 || motion_.value(bodyHeight) <= 0.5)
        return {};
    return NotchShape{motion_.value(topRadius), motion_.value(bottomRadius)}.path(drawnRect());
}

void NotchRootView::frame() {
    clipFace();
    const QRectF reach = drawnRect().adjusted(-NotchShadow::reach, -NotchShadow::reach,
                                              NotchShadow::reach, NotchShadow::reach);
    update(painted_.united(reach).toAlignedRect());
    painted_ = reach;
    emit shapeChanged();
}

void NotchRootView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutFace();
}

void NotchRootView::paintEvent(QPaintEvent*) {
    const QPainterPath shape = drawnShape();
    if (shape.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (shadowEnabled_)
        shadowPicture_.paint(painter, drawnRect(),
                             NotchShape{motion_.value(topRadius), motion_.value(bottomRadius)},
                             motion_.value(shadowAlpha));
    painter.fillPath(shape, Palette::notch());
}

} // namespace dustlyn
