#pragma once

#include "app/platform/DragMonitor.h"
#include "app/platform/x11/X11Connection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dustlyn {

// Drags as the X server sees them: each drag-and-drop source takes the XdndSelection, and
// XFixes tells of every new owner without polling. The drag's types are read only then:
// from the XdndTypeList the source puts on its window (followed as it is written: Qt's
// sources write it only after taking the selection), or, where it lists its types only to
// drop targets, by asking it for its TARGETS.
class X11DragMonitor final : public DragMonitor {
public:
    explicit X11DragMonitor(std::shared_ptr<X11Connection> x11);
    ~X11DragMonitor() override;

    // Moves when a new drag takes the selection and again when its types become known.
    long changeCount() const override { return changeCount_; }
    bool offersFiles() override { return offersFiles_; }

private:
    bool handle(const xcb_generic_event_t& event);
    void ownerChanged(xcb_window_t owner, xcb_timestamp_t time);
    std::optional<std::vector<xcb_atom_t>> typeList(xcb_window_t owner);
    void followOwner(xcb_window_t owner);
    bool ownWindow(xcb_window_t window) const;
    void targetsArrived(xcb_atom_t property, xcb_timestamp_t time);
    void typesKnown(const std::vector<xcb_atom_t>& types);

    std::shared_ptr<X11Connection> x11_;
    int listener_ = 0;
    std::optional<std::uint8_t> xfixesFirstEvent_;
    xcb_window_t helper_ = XCB_NONE;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_atom_t uriList_ = XCB_ATOM_NONE;
    xcb_atom_t typeListAtom_ = XCB_ATOM_NONE;
    xcb_window_t owner_ = XCB_NONE; // the current drag's source window, followed for its list
    long changeCount_ = 0;
    bool offersFiles_ = false;
    std::optional<xcb_timestamp_t> asked_; // the drag whose TARGETS are on their way
};

} // namespace dustlyn
