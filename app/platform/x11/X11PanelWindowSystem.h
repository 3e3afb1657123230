#pragma once

#include "app/platform/PanelWindowSystem.h"
#include "app/platform/x11/X11Connection.h"

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dustlyn {

// The notch panel as an X client: a dock window (no task-bar or pager entry, undecorated,
// above normal windows on every workspace) that the window manager never focuses on its
// own (WM_HINTS input false) until activate(); SHAPE input and bounding regions; and the
// compositing manager followed through the owner of the _NET_WM_CM_S<screen> selection.
class X11PanelWindowSystem final : public PanelWindowSystem {
public:
    explicit X11PanelWindowSystem(std::shared_ptr<X11Connection> x11);
    ~X11PanelWindowSystem() override;

    void preparePanel(QWindow& window) override;
    void setInputShape(QWindow& window, const QRegion& region) override;
    void setBoundingShape(QWindow& window, const QRegion& region) override;
    bool compositing() const override { return compositing_; }
    void activate(QWindow& window) override;
    void deactivate(QWindow& window) override;

private:
    struct Bounding {
        QPointer<QWindow> window;
        QRegion region;
    };

    bool handle(const xcb_generic_event_t& event);
    void compositingOwnerChanged(xcb_window_t owner);
    void applyBoundingShape(QWindow& window, const QRegion& region);
    void setShape(QWindow& window, std::uint8_t kind, const QRegion& region);
    void addStates(QWindow& window, const std::vector<xcb_atom_t>& states);
    void setAcceptsFocus(xcb_window_t window, bool accepts);
    bool exists(xcb_window_t window) const;
    void requestActivation(xcb_window_t window);
    xcb_window_t activeWindow();
    bool windowManagerActivates();

    std::shared_ptr<X11Connection> x11_;
    QObject context_; // queued calls die with this object
    int listener_ = 0;
    bool hasShape_ = false;
    std::optional<std::uint8_t> xfixesFirstEvent_;
    xcb_window_t helper_ = XCB_NONE;
    xcb_atom_t compositorSelection_ = XCB_ATOM_NONE;
    bool compositing_ = false;
    std::vector<Bounding> bounding_;
    xcb_window_t activeBefore_ = XCB_NONE;
};

} // namespace dustlyn
