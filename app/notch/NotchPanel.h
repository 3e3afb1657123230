#pragma once

#include "app/notch/LeavingSnapshot.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchPanelHost.h"

#include <QRegion>
#include <QWidget>

#include <optional>

namespace dustlyn {

class FileBrowser;
class NotchRootView;
class PanelWindowSystem;
class ThumbnailCache;

// The one window of the notch: frameless, translucent, above other windows, on every
// workspace, out of the task bar, 720 × 560 at the top centre of its screen. It takes the
// pointer only over the drawn body and the keyboard only when opened on purpose; without a
// compositing manager it is cut to the body, so nothing opaque shows around it.
//
// Pointer events over the window go to the controller too, so hovering and clicking the
// notch work even where the pointer cannot be followed across the desktop; files dropped
// from any file browser reach the drop zones.
class NotchPanel : public QWidget, public NotchPanelHost {
    Q_OBJECT

public:
    static constexpr int panelWidth = 720;
    static constexpr int panelHeight = 560;
    // The window's height while only the pill and its shadow are drawn: an idle panel keeps
    // a small picture of itself instead of one for the whole open panel.
    static constexpr int restHeight = 128;

    NotchPanel(NotchController& controller, PanelWindowSystem& windowSystem,
               ThumbnailCache& thumbnails, FileBrowser& fileBrowser);
    ~NotchPanel() override;

    // Builds the panel for the controller being created.
    static NotchController::PanelFactory
    factory(PanelWindowSystem& windowSystem, ThumbnailCache& thumbnails, FileBrowser& fileBrowser);

    NotchRootView& root() { return *root_; }
    const QRegion& inputRegion() const { return input_; }

    void place(const QRectF& frame) override;
    void orderFront() override;
    void setInputRegion(const QRectF& region) override;
    void makeKey() override;
    void resignKey() override;
    bool isKey() const override { return key_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void acceptFocus(bool accept);
    void applyCompositing();
    void updateBoundingShape();
    void fitHeight();
    void forwardPointer(QEvent* event);

    NotchController& controller_;
    PanelWindowSystem& windowSystem_;
    LeavingSnapshot leaving_;
    NotchRootView* root_;
    QRegion input_;
    // The shape last given to the window system; nothing until one was given.
    std::optional<QRegion> bounding_;
    bool compositing_ = true;
    bool key_ = false;
};

} // namespace dustlyn
