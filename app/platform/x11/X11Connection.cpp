#include "app/platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstring>

namespace dustlyn {

std::shared_ptr<X11Connection> X11Connection::fromQt() {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app)
        return {};
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return {};
    // Qt opened the display named by DISPLAY; its screen number is the default screen.
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen))
        std::free(host);
    else
        screen = 0;
    return std::shared_ptr<X11Connection>(new X11Connection(x11->connection(), screen));
}

X11Connection::X11Connection(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), screenNumber_(screenNumber) {
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; roots.rem > 0; xcb_screen_next(&roots), ++i) {
        if (i == screenNumber_ || root_ == XCB_NONE)
            root_ = roots.data->root;
        if (i == screenNumber_)
            break;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Connection::~X11Connection() {
    if (auto* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

xcb_atom_t X11Connection::atom(const std::string& name) {
    if (auto found = atoms_.find(name); found != atoms_.end())
        return found->second;
    internAtoms({name});
    return atoms_[name];
}

void X11Connection::internAtoms(const std::vector<std::string>& names) {
    std::vector<std::pair<std::string, xcb_intern_atom_cookie_t>> cookies;
    for (const auto& name : names) {
        if (!atoms_.contains(name))
            cookies.emplace_back(name, xcb_intern_atom(connection_, 0,
                                                       static_cast<std::uint16_t>(name.size()),
                                                       name.data()));
    }
    for (const auto& [name, cookie] : cookies) {
        const auto reply = xcbReply(xcb_intern_atom_reply, connection_, cookie);
        atoms_[name] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
}

std::optional<std::uint8_t> X11Connection::firstEvent(const xcb_extension_t& extension) const {
    const auto* data =
        xcb_get_extension_data(connection_, const_cast<xcb_extension_t*>(&extension));
    if (!data || !data->present)
        return std::nullopt;
    return data->first_event;
}

std::optional<std::uint8_t> X11Connection::majorOpcode(const xcb_extension_t& extension) const {
    const auto* data =
        xcb_get_extension_data(connection_, const_cast<xcb_extension_t*>(&extension));
    if (!data || !data->present)
        return std::nullopt;
    return data->major_opcode;
}

std::optional<std::uint8_t> X11Connection::firstEventByName(const std::string& name) const {
    auto cookie =
        xcb_query_extension(connection_, static_cast<std::uint16_t>(name.size()), name.data());
    const auto reply = xcbReply(xcb_query_extension_reply, connection_, cookie);
    if (!reply || !reply->present)
        return std::nullopt;
    return reply->first_event;
}

xcb_window_t X11Connection::createHelperWindow() {
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    return window;
}

int X11Connection::addListener(Listener listener) {
    listeners_.emplace_back(nextListener_, std::move(listener));
    return nextListener_++;
}

void X11Connection::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

bool X11Connection::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto& event = *static_cast<const xcb_generic_event_t*>(message);
    // By index: a listener may add or remove listeners while it runs.
    for (std::size_t i = 0; i < listeners_.size(); ++i) {
        const Listener listener = listeners_[i].second;
        if (listener(event))
            return true;
    }
    return false;
}

} // namespace dustlyn
