#include "tests/platform/support/Desktop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>
#include <xcb/shape.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <stdexcept>

namespace dustlyn::testing {

namespace {

template <class T> struct Reply {
    T* value;
    ~Reply() { std::free(value); }
    T* operator->() const { return value; }
    explicit operator bool() const { return value != nullptr; }
};

} // namespace

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    check.start(std::chrono::milliseconds(5));
    loop.exec();
    return done();
}

ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments) {
    QStringList args;
    for (const auto& argument : arguments)
        args << QString::fromStdString(argument);
    QProcess process;
    process.start(QString::fromStdString(program), args);
    ToolResult result;
    if (!process.waitForFinished(20'000)) {
        result.err = program + " did not finish: " + process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string tool(const std::string& program, const std::vector<std::string>& arguments) {
    const ToolResult result = runTool(program, arguments);
    EXPECT_EQ(result.status, 0) << program << " failed: " << result.err;
    return result.out;
}

void syncQt() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void movePointer(QPoint point) {
    tool("xdotool", {"mousemove", std::to_string(point.x() - 1), std::to_string(point.y()),
                     "mousemove_relative", "1", "0"});
}

XcbClient::XcbClient() {
    int screen = 0;
    connection_ = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection_))
        throw std::runtime_error("cannot connect to the X server");
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen; ++i)
        xcb_screen_next(&roots);
    root_ = roots.data->root;
}

XcbClient::~XcbClient() {
    xcb_disconnect(connection_);
}

xcb_atom_t XcbClient::atom(const std::string& name) {
    Reply<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr)};
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t XcbClient::createWindow(QRect geometry, bool map) {
    const xcb_window_t window = xcb_generate_id(connection_);
    const std::uint32_t events =
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(
        connection_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(geometry.x()),
        static_cast<std::int16_t>(geometry.y()), static_cast<std::uint16_t>(geometry.width()),
        static_cast<std::uint16_t>(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    // Where the client asks, so the window manager's placement does not move it.
    const std::uint32_t sizeHints[18] = {1 | 4 | 8}; // USPosition, PPosition, PSize
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, sizeHints);
    if (map)
        xcb_map_window(connection_, window);
    sync();
    return window;
}

void XcbClient::setAtoms(xcb_window_t window, const std::string& property,
                         const std::vector<std::string>& atoms) {
    std::vector<xcb_atom_t> values;
    for (const auto& name : atoms)
        values.push_back(atom(name));
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property), XCB_ATOM_ATOM,
                        32, static_cast<std::uint32_t>(values.size()), values.data());
    sync();
}

void XcbClient::setCardinals(xcb_window_t window, const std::string& property,
                             const std::vector<std::uint32_t>& values) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, atom(property),
                        XCB_ATOM_CARDINAL, 32, static_cast<std::uint32_t>(values.size()),
                        values.data());
    sync();
}

void XcbClient::destroyWindow(xcb_window_t window) {
    xcb_destroy_window(connection_, window);
    sync();
}

void XcbClient::own(const std::string& selection, xcb_window_t owner,
                    std::vector<std::string> targets) {
    targets_ = std::move(targets);
    xcb_set_selection_owner(connection_, owner, atom(selection), XCB_CURRENT_TIME);
    sync();
}

bool XcbClient::grabKey(std::uint16_t modifiers, xcb_keycode_t keycode) {
    Reply<xcb_generic_error_t> error{xcb_request_check(
        connection_, xcb_grab_key_checked(connection_, 1, root_, modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC))};
    return !error;
}

xcb_keycode_t XcbClient::keycodeOf(std::uint32_t keysym) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
    const xcb_keycode_t code = codes ? codes[0] : xcb_keycode_t(0);
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return code;
}

QRect XcbClient::geometryOf(xcb_window_t window) {
    Reply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr)};
    Reply<xcb_translate_coordinates_reply_t> origin{xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr)};
    if (!geometry || !origin)
        return {};
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::vector<std::uint32_t> XcbClient::property(xcb_window_t window, const std::string& name) {
    Reply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
        nullptr)};
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.value));
    return std::vector<std::uint32_t>(values, values + reply->value_len);
}

std::vector<QRect> XcbClient::shape(xcb_window_t window, std::uint8_t kind) {
    Reply<xcb_shape_get_rectangles_reply_t> reply{xcb_shape_get_rectangles_reply(
        connection_, xcb_shape_get_rectangles(connection_, window, kind), nullptr)};
    std::vector<QRect> rectangles;
    if (!reply)
        return rectangles;
    const auto* rects = xcb_shape_get_rectangles_rectangles(reply.value);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply.value); ++i)
        rectangles.emplace_back(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    return rectangles;
}

void XcbClient::pump() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        switch (event->response_type & 0x7f) {
        case XCB_SELECTION_REQUEST:
            answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
            break;
        case XCB_BUTTON_PRESS:
            ++buttonPresses_;
            break;
        case XCB_CLIENT_MESSAGE:
            messages_.push_back(reinterpret_cast<xcb_client_message_event_t*>(event)->type);
            break;
        case XCB_KEY_PRESS:
            keysPressed_.push_back(reinterpret_cast<xcb_key_press_event_t*>(event)->detail);
            break;
        default:
            break;
        }
        std::free(event);
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
    notify.property = XCB_NONE;
    if (request.target == atom("TARGETS") && !targets_.empty()) {
        std::vector<xcb_atom_t> values;
        for (const auto& name : targets_)
            values.push_back(atom(name));
        const xcb_atom_t property =
            request.property != XCB_NONE ? request.property : request.target;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                            XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(values.size()),
                            values.data());
        notify.property = property;
    }
    xcb_send_event(connection_, 0, request.requestor, 0, reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
}

void XcbClient::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

} // namespace dustlyn::testing
