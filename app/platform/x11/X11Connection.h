#pragma once

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace dustlyn {

// A reply or event from libxcb, freed with free().
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using XcbPtr = std::unique_ptr<T, XcbFree>;

// The reply to a request, or nothing. A request may fail because a window went away in the
// meantime; its error is dropped here, where the caller sees the missing reply, instead of
// reaching Qt, which would print it as a warning.
template <class Reply, class Cookie>
XcbPtr<Reply> xcbReply(Reply* (*receive)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                       xcb_connection_t* connection, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    XcbPtr<Reply> reply(receive(connection, cookie, &error));
    std::free(error);
    return reply;
}

// Qt's own connection to the X server, shared by the X11 services: requests go out in order
// with Qt's (a property set on a window Qt just created can never overtake its creation), and
// every event Qt reads is offered to the services first, so nothing is polled.
class X11Connection final : public QAbstractNativeEventFilter {
public:
    // Returns true when the event was the listener's own and Qt should not see it.
    using Listener = std::function<bool(const xcb_generic_event_t& event)>;

    // Nothing when Qt does not run on an X server.
    static std::shared_ptr<X11Connection> fromQt();
    ~X11Connection() override;
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    xcb_window_t root() const { return root_; }
    int screenNumber() const { return screenNumber_; }

    // Interned on first use and remembered.
    xcb_atom_t atom(const std::string& name);
    // Several at once, in one round trip.
    void internAtoms(const std::vector<std::string>& names);

    // The first event code of an extension, or nothing when the server lacks it. Qt has
    // already asked for the extensions it uses, so these are usually answered from memory.
    std::optional<std::uint8_t> firstEvent(const xcb_extension_t& extension) const;
    std::optional<std::uint8_t> majorOpcode(const xcb_extension_t& extension) const;
    // The same, for an extension libxcb has no binding for here, by its protocol name.
    std::optional<std::uint8_t> firstEventByName(const std::string& name) const;

    // An unmapped input-only window: a requestor for selections and a target for selection
    // notifications that never mixes with Qt's own.
    xcb_window_t createHelperWindow();

    // Listeners are called on the main thread in the order they were added.
    int addListener(Listener listener);
    void removeListener(int id);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11Connection(xcb_connection_t* connection, int screenNumber);

    xcb_connection_t* connection_;
    int screenNumber_;
    xcb_window_t root_ = XCB_NONE;
    std::unordered_map<std::string, xcb_atom_t> atoms_;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextListener_ = 1;
};

} // namespace dustlyn
