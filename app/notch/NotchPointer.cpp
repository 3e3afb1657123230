// The pointer: hovering, clicking and dragging files near the notch. This runs for every
// pointer movement anywhere on the desktop, so it does rectangle arithmetic only and writes
// the view model only on real changes.

#include "app/notch/NotchController.h"

namespace dustlyn {

namespace {

constexpr double hoverOpenDelay = 0.15;
constexpr double hoverCloseDelay = 0.3;
constexpr double dropEndDelay = 0.25;
constexpr double hoverLeaveGrace = 1.5;

} // namespace

void NotchController::handle(PointerEventType type, bool global) {
    const QPointF position = services_.input.pointerPosition();
    switch (type) {
    case PointerEventType::leftDown:
        pointerDown(position, global);
        break;
    case PointerEventType::leftUp:
        pointerUp();
        break;
    case PointerEventType::leftDragged:
        pointerDragged(position);
        break;
    case PointerEventType::moved:
        break;
    }
    updateMouse(position);
}

void NotchController::setMenuOpen(bool open) {
    if (open == menuOpen_)
        return;
    menuOpen_ = open;
    if (open)
        closeWork_.reset();
    else
        recheckMouse();
}

void NotchController::pointerDown(QPointF position, bool global) {
    // The click picks a menu item or dismisses the menu; the panel stays.
    if (menuOpen_)
        return;
    const Mode mode = vm_.mode();
    // A click in this program's own windows (the settings, say) never closes the panel.
    if (mode == Mode::open && global &&
        !NotchGeometry::grown(bodyRect(), SlackMargin::outsideClick).contains(position)) {
        close();
        return;
    }
    // The drawn pill is a button, as the hot key is.
    if (mode == Mode::pill && bodyRect().contains(position))
        open(false);
}

void NotchController::pointerUp() {
    draggingFiles_ = false;
    if (vm_.mode() != Mode::drop)
        return;
    // Released without a drop (or the drop is still being read): back to rest, unless a
    // drop changed the face meanwhile.
    dropEndWork_ = services_.timers->singleShot(dropEndDelay, [this] {
        if (vm_.mode() != Mode::drop)
            return;
        setMode(Mode::pill);
        recheckMouse();
    });
}

void NotchController::pointerDragged(QPointF position) {
    // The drag's offer is read only when a new drag started: asking may be a round trip
    // to the dragging program.
    const long count = services_.drag.changeCount();
    if (count != dragChangeCount_) {
        dragChangeCount_ = count;
        draggingFiles_ = services_.drag.offersFiles();
        if (draggingFiles_ && !vm_.hidden())
            emit faceAhead(Mode::drop);
    }
    const Mode mode = vm_.mode();
    if (!draggingFiles_ || vm_.hidden() ||
        !(mode == Mode::pill || mode == Mode::peek || mode == Mode::toast))
        return;
    if (!vm_.geometry().dragTarget().contains(position))
        return;
    cancelTimers();
    setMode(Mode::drop);
    recheckMouse();
}

void NotchController::updateMouse(QPointF position) {
    switch (vm_.mode()) {
    case Mode::pill:
        hoverInPill(position);
        break;
    case Mode::open:
        hoverInOpen(position);
        break;
    case Mode::peek:
    case Mode::toast:
        hoverInTransient(position);
        break;
    case Mode::drop:
        leaveDropIfAway(position);
        break;
    }
}

void NotchController::hoverInPill(QPointF position) {
    if (!hotZone().contains(position))
        hoverWaitsForLeave_ = false;
    if (vm_.hidden() || hoverWaitsForLeave_ || !hotZone().contains(position)) {
        hoverWork_.reset();
        return;
    }
    if (hoverWork_)
        return;
    hoverWork_ = services_.timers->singleShot(hoverOpenDelay, [this] {
        hoverWork_.reset();
        // The pointer must still rest there: a pass across the top edge opens nothing.
        if (vm_.mode() == Mode::pill && hotZone().contains(services_.input.pointerPosition()))
            open(true);
    });
    emit faceAhead(Mode::open);
}

void NotchController::hoverInOpen(QPointF position) {
    if (!openedByHover_ || menuOpen_)
        return;
    if (NotchGeometry::grown(bodyRect(), SlackMargin::hoverLeave).contains(position)) {
        closeWork_.reset();
        return;
    }
    if (closeWork_)
        return;
    closeWork_ = services_.timers->singleShot(hoverCloseDelay, [this] {
        closeWork_.reset();
        if (vm_.mode() != Mode::open || !openedByHover_)
            return;
        const QRectF kept = NotchGeometry::grown(bodyRect(), SlackMargin::hoverLeave);
        if (!kept.contains(services_.input.pointerPosition()))
            close();
    });
}

void NotchController::hoverInTransient(QPointF position) {
    if (NotchGeometry::grown(bodyRect(), SlackMargin::input).contains(position)) {
        // The pointer holds the peek or toast for as long as it stays.
        vm_.setPeekHovered(true);
        dismissWork_.reset();
        return;
    }
    if (!vm_.peekHovered())
        return;
    vm_.setPeekHovered(false);
    vm_.setPeekEndsAt(dateAfter(now(), hoverLeaveGrace));
    scheduleDismiss(hoverLeaveGrace);
}

void NotchController::leaveDropIfAway(QPointF position) {
    if (draggingFiles_)
        return;
    if (NotchGeometry::grown(bodyRect(), SlackMargin::dropLeave).contains(position))
        return;
    setMode(Mode::pill);
    recheckMouse();
}

} // namespace dustlyn
