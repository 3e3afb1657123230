#pragma once

#include "app/platform/ActiveWindow.h"
#include "app/platform/x11/X11Connection.h"

#include <memory>

namespace dustlyn {

// The active window as the window manager announces it (EWMH): _NET_ACTIVE_WINDOW on the
// root, that window's _NET_WM_PID, its geometry and whether its _NET_WM_STATE holds
// _NET_WM_STATE_FULLSCREEN. Read again only after the server told of a change (another
// window became active, the active one changed its properties or size, or went away), so
// an idle desktop costs no requests and no wake-ups.
class X11ActiveWindow final : public ActiveWindow {
public:
    explicit X11ActiveWindow(std::shared_ptr<X11Connection> x11);
    ~X11ActiveWindow() override;
    X11ActiveWindow(const X11ActiveWindow&) = delete;
    X11ActiveWindow& operator=(const X11ActiveWindow&) = delete;

    std::optional<ActiveWindowState> current() const override;

private:
    bool handle(const xcb_generic_event_t& event);
    std::optional<ActiveWindowState> read(xcb_window_t window) const;
    xcb_window_t activeWindow() const;
    void follow(xcb_window_t window) const;
    bool ownWindow(xcb_window_t window) const;

    std::shared_ptr<X11Connection> x11_;
    xcb_atom_t activeWindow_;
    xcb_atom_t pid_;
    xcb_atom_t state_;
    xcb_atom_t fullScreen_;
    int listener_ = 0;
    // What was read last, and whether the server has told of a change since.
    mutable bool stale_ = true;
    mutable xcb_window_t followed_ = XCB_NONE;
    mutable std::optional<ActiveWindowState> last_;
};

} // namespace dustlyn
