#pragma once

#include "tests/app/support/UiTestApp.h"

#include <QRect>

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dustlyn::testing {

// Runs a desktop tool (xdotool, xprop, wmctrl, xrandr, xmodmap) to its end, failing the
// test when it fails; returns what it printed.
std::string tool(const std::string& program, const std::vector<std::string>& arguments);

// Waits until the X server has handled every request Qt's connection sent so far, so that
// another client reads their effect.
void syncQt();

// Moves the pointer to `point` as a mouse does: a warp (which the server reports to nobody
// but the window under the pointer) to the next pixel, then a one-pixel device motion.
void movePointer(QPoint point);

// Another X client, as another program on the desktop would be: it owns windows,
// selections and key grabs, and answers selection requests when pumped.
class XcbClient {
public:
    XcbClient();
    ~XcbClient();
    XcbClient(const XcbClient&) = delete;
    XcbClient& operator=(const XcbClient&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    xcb_atom_t atom(const std::string& name);

    // A window that reports key presses; mapped unless told otherwise.
    xcb_window_t createWindow(QRect geometry, bool map = true);
    void setAtoms(xcb_window_t window, const std::string& property,
                  const std::vector<std::string>& atoms);
    void setCardinals(xcb_window_t window, const std::string& property,
                      std::vector<std::uint32_t> values, xcb_atom_t type = XCB_ATOM_CARDINAL);
    // Takes `selection`; a request for its TARGETS is answered with `targets`.
    void own(const std::string& selection, xcb_window_t owner,
             std::vector<std::string> targets = {});
    // A checked passive grab on the root window; false when another client holds it.
    bool grabKey(std::uint16_t modifiers, xcb_keycode_t keycode);
    xcb_keycode_t keycodeOf(std::uint32_t keysym);
    // The window's position on the root window and size.
    QRect geometryOf(xcb_window_t window);
    // The rectangles of a window's SHAPE region (XCB_SHAPE_SK_BOUNDING or _INPUT).
    std::vector<QRect> shape(xcb_window_t window, std::uint8_t kind);

    // Handles what arrived: answers selection requests, records key presses and messages.
    void pump();
    std::vector<xcb_keycode_t> keysPressed;
    std::vector<xcb_atom_t> messages; // the types of client messages to this client's windows
    void sync();

private:
    void answer(const xcb_selection_request_event_t& request);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    std::vector<std::string> targets_;
};

} // namespace dustlyn::testing
