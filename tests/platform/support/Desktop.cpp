#include "tests/platform/support/Desktop.h"

#include <QGuiApplication>
#include <QProcess>

#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace dustlyn::testing {

namespace {

// The tests run in the UI tests' application, made before the first test on the X server
// that scripts/with-desktop starts for each test; listing the tests needs neither.
class QtApplication : public ::testing::Environment {
    void SetUp() override { uiTestApp(); }
};

const auto* const application = ::testing::AddGlobalTestEnvironment(new QtApplication);

// An xcb reply, freed with the C library's free.
template <class T> std::unique_ptr<T, void (*)(void*)> owned(T* reply) {
    return {reply, std::free};
}

} // namespace

std::string tool(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const auto& argument : arguments)
        args << QString::fromStdString(argument);
    QProcess process;
    process.start(QString::fromStdString(program), args);
    const bool finished = process.waitForFinished(20'000);
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        << program << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

void syncQt() {
    auto* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void movePointer(QPoint point) {
    tool("xdotool", {"mousemove", std::to_string(point.x() - 1), std::to_string(point.y()),
                     "mousemove_relative", "1", "0"});
}

XcbClient::XcbClient() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_))
        throw std::runtime_error("cannot connect to the X server");
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
}

XcbClient::~XcbClient() {
    xcb_disconnect(connection_);
}

xcb_atom_t XcbClient::atom(const std::string& name) {
    const auto reply = owned(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t XcbClient::createWindow(QRect geometry, bool map) {
    const xcb_window_t window = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(
        connection_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(geometry.x()),
        static_cast<std::int16_t>(geometry.y()), static_cast<std::uint16_t>(geometry.width()),
        static_cast<std::uint16_t>(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    // USPosition, PPosition and PSize: where the client asks, so the window manager's
    // placement does not move it.
    std::vector<std::uint32_t> sizeHints(18);
    sizeHints[0] = 1 | 4 | 8;
    setCardinals(window, "WM_NORMAL_HINTS", sizeHints, XCB_ATOM_WM_SIZE_HINTS);
    if (map)
        xcb_map_window(connection_, window);
    sync();
    return window;
}

void XcbClient::setAtoms(xcb_window_t window, const std::string& property,
                         const std::vector<std::string>& atoms) {
    std::vector<std::uint32_t> values;
    for (const auto& name : atoms)
        values.push_back(atom(name));
    setCardinals(window, property, values, XCB_ATOM_ATOM);
}

void XcbClient::setCardinals(xcb_window_t window, const std::string& property,
                             std::vector<std::uint32_t> values, xcb_atom_t type) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), type, 32,
                        static_cast<std::uint32_t>(values.size()), values.data());
    sync();
}

void XcbClient::own(const std::string& selection, xcb_window_t owner,
                    std::vector<std::string> targets) {
    targets_ = std::move(targets);
    xcb_set_selection_owner(connection_, owner, atom(selection), XCB_CURRENT_TIME);
    sync();
}

bool XcbClient::grabKey(std::uint16_t modifiers, xcb_keycode_t keycode) {
    return !owned(xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 1, root_, modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
}

xcb_keycode_t XcbClient::keycodeOf(std::uint32_t keysym) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    const auto codes = owned(xcb_key_symbols_get_keycode(symbols, keysym));
    xcb_key_symbols_free(symbols);
    return codes ? codes.get()[0] : xcb_keycode_t(0);
}

QRect XcbClient::geometryOf(xcb_window_t window) {
    const auto geometry =
        owned(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    const auto origin = owned(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::vector<QRect> XcbClient::shape(xcb_window_t window, std::uint8_t kind) {
    const auto reply = owned(xcb_shape_get_rectangles_reply(
        connection_, xcb_shape_get_rectangles(connection_, window, kind), nullptr));
    if (!reply)
        return {};
    const auto* rects = xcb_shape_get_rectangles_rectangles(reply.get());
    std::vector<QRect> rectangles;
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply.get()); ++i)
        rectangles.emplace_back(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    return rectangles;
}

void XcbClient::pump() {
    while (const auto event = owned(xcb_poll_for_event(connection_))) {
        const auto type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST)
            answer(*reinterpret_cast<xcb_selection_request_event_t*>(event.get()));
        if (type == XCB_CLIENT_MESSAGE)
            messages.push_back(reinterpret_cast<xcb_client_message_event_t*>(event.get())->type);
        if (type == XCB_KEY_PRESS)
            keysPressed.push_back(reinterpret_cast<xcb_key_press_event_t*>(event.get())->detail);
    }
}

// Only TARGETS is offered: the tests look at what a drag offers, never at its data.
void XcbClient::answer(const xcb_selection_request_event_t& request) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    if (request.target == atom("TARGETS") && !targets_.empty()) {
        notify.property = request.property != XCB_NONE ? request.property : request.target;
        std::vector<std::uint32_t> values;
        for (const auto& name : targets_)
            values.push_back(atom(name));
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, notify.property,
                            XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(values.size()),
                            values.data());
    }
    xcb_send_event(connection_, 0, request.requestor, 0, reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
}

void XcbClient::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

} // namespace dustlyn::testing
