#include "app/platform/x11/X11DragMonitor.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdio>

namespace dustlyn {

namespace {

const char* const reply = "DUSTLYN_DRAG_TARGETS";

} // namespace

X11DragMonitor::X11DragMonitor(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {
    x11_->internAtoms({"XdndSelection", "XdndTypeList", "TARGETS", "text/uri-list", reply});
    selection_ = x11_->atom("XdndSelection");
    uriList_ = x11_->atom("text/uri-list");
    typeListAtom_ = x11_->atom("XdndTypeList");
    xfixesFirstEvent_ = x11_->firstEvent(xcb_xfixes_id);
    listener_ =
        x11_->addListener([this](const xcb_generic_event_t& event) { return handle(event); });
    if (!xfixesFirstEvent_) {
        std::fprintf(stderr, "dustlyn: the X server has no XFixes extension; file drags "
                             "will not bring up the drop zones\n");
        return;
    }
    // Qt has agreed an XFixes version on this connection already; the selection is watched
    // through a window of our own so Qt's watches on its windows stay as they are.
    helper_ = x11_->createHelperWindow();
    xcb_xfixes_select_selection_input(x11_->xcb(), helper_, selection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    xcb_flush(x11_->xcb());
}

X11DragMonitor::~X11DragMonitor() {
    x11_->removeListener(listener_);
    followOwner(XCB_NONE);
    if (helper_ != XCB_NONE) {
        xcb_destroy_window(x11_->xcb(), helper_);
        xcb_flush(x11_->xcb());
    }
}

bool X11DragMonitor::handle(const xcb_generic_event_t& event) {
    const auto type = event.response_type & 0x7f;
    if (xfixesFirstEvent_ && type == *xfixesFirstEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
        if (notify.window != helper_ || notify.selection != selection_)
            return false;
        ownerChanged(notify.owner, notify.selection_timestamp);
        return true;
    }
    if (type == XCB_PROPERTY_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (notify.window != owner_ || notify.atom != typeListAtom_ ||
            notify.state != XCB_PROPERTY_NEW_VALUE)
            return false;
        if (const auto types = typeList(owner_)) {
            asked_.reset(); // the list answers what TARGETS would have
            typesKnown(*types);
        }
        return true;
    }
    if (type == XCB_SELECTION_NOTIFY) {
        const auto& notify = reinterpret_cast<const xcb_selection_notify_event_t&>(event);
        if (notify.requestor != helper_ || notify.selection != selection_)
            return false;
        targetsArrived(notify.property, notify.time);
        return true;
    }
    return false;
}

void X11DragMonitor::ownerChanged(xcb_window_t owner, xcb_timestamp_t time) {
    asked_.reset();
    followOwner(owner);
    if (owner == XCB_NONE)
        return;
    ++changeCount_;
    offersFiles_ = false;
    if (const auto types = typeList(owner)) {
        offersFiles_ = std::find(types->begin(), types->end(), uriList_) != types->end();
        return;
    }
    // Sources that offer three types or fewer name them only in their XdndEnter messages,
    // which reach drop targets alone; the selection itself answers every program.
    asked_ = time;
    xcb_convert_selection(x11_->xcb(), helper_, selection_, x11_->atom("TARGETS"),
                          x11_->atom(reply), time);
    xcb_flush(x11_->xcb());
}

// The source may write its type list only after taking the selection: its window is watched
// for it, from before the first look at it, until the next drag.
void X11DragMonitor::followOwner(xcb_window_t owner) {
    auto* connection = x11_->xcb();
    // This program's own windows keep the events Qt chose for them.
    if (owner_ != XCB_NONE && !ownWindow(owner_)) {
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(connection, owner_, XCB_CW_EVENT_MASK, &none);
    }
    owner_ = owner;
    if (owner_ != XCB_NONE && !ownWindow(owner_)) {
        const std::uint32_t properties = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, owner_, XCB_CW_EVENT_MASK, &properties);
    }
    xcb_flush(connection);
}

bool X11DragMonitor::ownWindow(xcb_window_t window) const {
    const xcb_setup_t* setup = xcb_get_setup(x11_->xcb());
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

std::optional<std::vector<xcb_atom_t>> X11DragMonitor::typeList(xcb_window_t owner) {
    auto* connection = x11_->xcb();
    const auto property = xcbReply(
        xcb_get_property_reply, connection,
        xcb_get_property(connection, 0, owner, x11_->atom("XdndTypeList"), XCB_ATOM_ATOM, 0, 1024));
    if (!property || property->type != XCB_ATOM_ATOM || property->format != 32 ||
        property->value_len == 0)
        return std::nullopt;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(property.get()));
    return std::vector<xcb_atom_t>(atoms, atoms + property->value_len);
}

void X11DragMonitor::targetsArrived(xcb_atom_t property, xcb_timestamp_t time) {
    // An answer for a drag that has since been replaced says nothing about the current one.
    if (!asked_ || *asked_ != time)
        return;
    asked_.reset();
    std::vector<xcb_atom_t> types;
    if (property != XCB_NONE) {
        auto* connection = x11_->xcb();
        const auto value =
            xcbReply(xcb_get_property_reply, connection,
                     xcb_get_property(connection, 1, helper_, property, XCB_ATOM_ATOM, 0, 1024));
        if (value && value->type == XCB_ATOM_ATOM && value->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(value.get()));
            types.assign(atoms, atoms + value->value_len);
        }
    }
    typesKnown(types);
}

void X11DragMonitor::typesKnown(const std::vector<xcb_atom_t>& types) {
    offersFiles_ = std::find(types.begin(), types.end(), uriList_) != types.end();
    // Whoever looked at the drag before its answer came must look again.
    ++changeCount_;
}

} // namespace dustlyn
