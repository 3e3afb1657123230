#pragma once

#include "app/platform/ActiveWindow.h"
#include "app/platform/x11/X11Connection.h"

#include <memory>

namespace dustlyn {

// The active window as the window manager announces it (EWMH): _NET_ACTIVE_WINDOW on the
// root, that window's _NET_WM_PID, its geometry and whether its _NET_WM_STATE holds
// _NET_WM_STATE_FULLSCREEN. Read when asked, in one round trip for the window's details.
class X11ActiveWindow final : public ActiveWindow {
public:
    explicit X11ActiveWindow(std::shared_ptr<X11Connection> x11);

    std::optional<ActiveWindowState> current() const override;

private:
    std::shared_ptr<X11Connection> x11_;
    xcb_atom_t activeWindow_;
    xcb_atom_t pid_;
    xcb_atom_t state_;
    xcb_atom_t fullScreen_;
};

} // namespace dustlyn
