#include "app/notch/NotchPanel.h"

#include "app/notch/NotchAccessibility.h"
#include "app/notch/NotchRootView.h"
#include "app/notch/NotchShadow.h"
#include "app/platform/PanelWindowSystem.h"

#include <QKeyEvent>
#include <QWindow>

#include <limits>

namespace dustlyn {

NotchPanel::NotchPanel(NotchController& controller, PanelWindowSystem& windowSystem,
                       ThumbnailCache& thumbnails, FileBrowser& fileBrowser)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      controller_(controller), windowSystem_(windowSystem), leaving_(controller.model()) {
    setWindowTitle(QStringLiteral("Dustlyn"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFixedSize(panelWidth, restHeight);
    // Holds the keyboard itself while opened by key; Tab leaves it for the controls.
    setFocusPolicy(Qt::ClickFocus);
    NotchAccessibility::install();
    const NotchContext context{controller, controller.vm(), controller.model(),
                               leaving_,   thumbnails,      fileBrowser};
    root_ = new NotchRootView(context, this);
    root_->setGeometry(0, 0, panelWidth, panelHeight);
    connect(root_, &NotchRootView::shapeChanged, this, &NotchPanel::fitHeight);
    connect(root_, &NotchRootView::shapeChanged, this, &NotchPanel::updateBoundingShape);

    create();
    QWindow& window = *windowHandle();
    window.installEventFilter(this);
    windowSystem_.preparePanel(window);
    windowSystem_.onCompositingChanged = [this] { applyCompositing(); };
    applyCompositing();
}

NotchPanel::~NotchPanel() {
    windowSystem_.onCompositingChanged = nullptr;
    // The views go before the list they read.
    delete root_;
}

NotchController::PanelFactory NotchPanel::factory(PanelWindowSystem& windowSystem,
                                                  ThumbnailCache& thumbnails,
                                                  FileBrowser& fileBrowser) {
    return [&windowSystem, &thumbnails, &fileBrowser](NotchController& controller) {
        return std::unique_ptr<NotchPanelHost>(
            new NotchPanel(controller, windowSystem, thumbnails, fileBrowser));
    };
}

void NotchPanel::place(const QRectF& frame) {
    const QRect placed = frame.toAlignedRect();
    setGeometry(placed.x(), placed.y(), placed.width(), height());
}

void NotchPanel::fitHeight() {
    // The window hangs from the top, so growing it downwards moves nothing drawn in it. It
    // grows before a face reaches below the pill and shrinks once the pill is all there is.
    const double reach = root_->drawnRect().bottom() + NotchShadow::reach;
    const int wanted = reach <= restHeight ? restHeight : panelHeight;
    if (wanted == height())
        return;
    setFixedHeight(wanted);
    if (compositing_)
        windowSystem_.setBoundingShape(*windowHandle(), QRegion(rect()));
}

void NotchPanel::orderFront() {
    if (isHidden())
        show();
    raise();
}

void NotchPanel::setInputRegion(const QRectF& region) {
    input_ = QRegion(region.toAlignedRect());
    windowSystem_.setInputShape(*windowHandle(), input_);
}

void NotchPanel::acceptFocus(bool accept) {
    // The window system is told directly: QWidget::setWindowFlags would hide and re-create
    // the window.
    const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowDoesNotAcceptFocus, !accept);
    overrideWindowFlags(flags);
    windowHandle()->setFlags(flags);
}

void NotchPanel::makeKey() {
    key_ = true;
    acceptFocus(true);
    windowSystem_.activate(*windowHandle());
    // The keyboard goes to the window, not to a control: the first Tab reaches the first
    // control, and nothing wears a focus ring until the user asks for one. (With no focus
    // of its own, the window would hand it to its first control once activated.)
    setFocus(Qt::OtherFocusReason);
}

void NotchPanel::resignKey() {
    key_ = false;
    if (QWidget* focused = focusWidget())
        focused->clearFocus();
    acceptFocus(false);
    windowSystem_.deactivate(*windowHandle());
}

void NotchPanel::applyCompositing() {
    compositing_ = windowSystem_.compositing();
    root_->setShadowEnabled(compositing_);
    // Given again whatever it was: an empty shape too must reach the window system.
    bounding_.reset();
    if (compositing_)
        windowSystem_.setBoundingShape(*windowHandle(), QRegion(rect()));
    else
        updateBoundingShape();
}

void NotchPanel::updateBoundingShape() {
    if (compositing_)
        return;
    // Without translucency, whatever lies outside the body would show black: the window
    // is cut to the body as it is drawn at this frame.
    const QPainterPath shape = root_->drawnShape();
    const QRegion region(shape.toFillPolygon().toPolygon(), Qt::WindingFill);
    if (region == bounding_)
        return;
    bounding_ = region;
    windowSystem_.setBoundingShape(*windowHandle(), region);
}

bool NotchPanel::event(QEvent* event) {
    // Another window took the keyboard (a click elsewhere): the panel no longer holds it.
    if (event->type() == QEvent::WindowDeactivate && key_) {
        key_ = false;
        acceptFocus(false);
    }
    return QWidget::event(event);
}

void NotchPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && controller_.handleEscape()) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool NotchPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle())
        forwardPointer(event);
    return QWidget::eventFilter(watched, event);
}

void NotchPanel::forwardPointer(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        controller_.updateMouse(static_cast<QMouseEvent*>(event)->globalPosition());
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            controller_.handle(PointerEventType::leftDown, false);
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            controller_.handle(PointerEventType::leftUp, false);
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        controller_.handle(PointerEventType::leftDragged, false);
        break;
    case QEvent::Leave: {
        // The pointer left the part of the window that takes it, for somewhere this window
        // cannot see: as far as the notch knows, it is away.
        constexpr double away = std::numeric_limits<double>::infinity();
        controller_.updateMouse(QPointF(away, away));
        break;
    }
    default:
        break;
    }
}

} // namespace dustlyn
