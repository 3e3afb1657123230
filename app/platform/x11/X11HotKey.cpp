#include "app/platform/x11/X11HotKey.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdio>

namespace dustlyn {

namespace {

constexpr std::uint32_t keysymP = 0x0070;
constexpr std::uint32_t keysymNumLock = 0xff7f;
constexpr std::uint32_t keysymAltL = 0xffe9;
constexpr std::uint32_t keysymAltR = 0xffea;
constexpr std::uint32_t keysymMetaL = 0xffe7;

// XKB's event numbers within the extension's block: the keyboard or its mapping changed.
constexpr std::uint8_t xkbNewKeyboardNotify = 0;
constexpr std::uint8_t xkbMapNotify = 1;

} // namespace

X11HotKey::X11HotKey(std::shared_ptr<X11Connection> x11) : x11_(std::move(x11)) {
    // Qt reads the keyboard through XKB, so the server tells its connection about mapping
    // changes with XKB events instead of the core MappingNotify.
    xkbFirstEvent_ = x11_->firstEventByName("XKEYBOARD");
    listener_ =
        x11_->addListener([this](const xcb_generic_event_t& event) { return handle(event); });
}

X11HotKey::~X11HotKey() {
    x11_->removeListener(listener_);
    ungrab();
    xcb_flush(x11_->xcb());
    resetKeySymbols();
}

void X11HotKey::registerHotKey() {
    if (wanted_ && registered())
        return;
    wanted_ = true;
    grab();
}

void X11HotKey::unregisterHotKey() {
    wanted_ = false;
    ungrab();
    xcb_flush(x11_->xcb());
}

// Everything is worked out before any grab is given up, and the grabs still wanted are never
// released: grabbing a combination this client holds replaces it. The server sends a keymap
// notification whenever typing switches between keyboards (the first key from a virtual
// keyboard does), and a press that reached it between an ungrab and the grab after it would
// go to the focused window instead.
void X11HotKey::grab() {
    const std::vector<Grab> wanted = wantedGrabs();
    auto* connection = x11_->xcb();
    // Not owner_events: even while one of this program's windows has the focus, the press
    // comes to the root window, where it is recognised, instead of to that window.
    constexpr std::uint8_t ownerEvents = 0;
    std::vector<xcb_void_cookie_t> cookies;
    cookies.reserve(wanted.size());
    for (const Grab& grab : wanted)
        cookies.push_back(xcb_grab_key_checked(connection, ownerEvents, x11_->root(),
                                               grab.modifiers, grab.keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    bool taken = false;
    std::vector<Grab> grabbed;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        XcbPtr<xcb_generic_error_t> error(xcb_request_check(connection, cookies[i]));
        if (error)
            taken = true;
        else
            grabbed.push_back(wanted[i]);
    }
    for (const Grab& old : grabbed_) {
        if (std::find(grabbed.begin(), grabbed.end(), old) == grabbed.end())
            xcb_ungrab_key(connection, old.keycode, x11_->root(), old.modifiers);
    }
    grabbed_ = std::move(grabbed);
    if (held_ && std::find(keycodes_.begin(), keycodes_.end(), *held_) == keycodes_.end())
        held_.reset();
    if (keycodes_.empty() || taken) {
        ungrab();
        if (!conflictReported_) {
            conflictReported_ = true;
            std::fprintf(stderr,
                         keycodes_.empty()
                             ? "dustlyn: the keyboard has no P key, so Ctrl+Alt+P cannot open "
                               "the notch; bind a shortcut to \"dustlyn toggle\" instead\n"
                             : "dustlyn: another program already uses Ctrl+Alt+P, so it does "
                               "not open the notch; bind another shortcut to \"dustlyn "
                               "toggle\" in the desktop's keyboard settings\n");
        }
    }
    xcb_flush(connection);
}

// Each P key with Control and Alt, once for each state of the locks.
std::vector<X11HotKey::Grab> X11HotKey::wantedGrabs() {
    const Modifiers mods = modifiers();
    keycodes_ = keycodesOf(keysymP);
    chord_ = static_cast<std::uint16_t>(XCB_MOD_MASK_CONTROL | mods.alt);
    lockMasks_ = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | mods.numLock);
    std::vector<std::uint16_t> locks{0, XCB_MOD_MASK_LOCK};
    if (mods.numLock != 0) {
        locks.push_back(mods.numLock);
        locks.push_back(static_cast<std::uint16_t>(mods.numLock | XCB_MOD_MASK_LOCK));
    }
    std::vector<Grab> wanted;
    for (const xcb_keycode_t keycode : keycodes_) {
        for (const std::uint16_t lock : locks)
            wanted.push_back({static_cast<std::uint16_t>(chord_ | lock), keycode});
    }
    return wanted;
}

void X11HotKey::ungrab() {
    for (const Grab& grab : grabbed_)
        xcb_ungrab_key(x11_->xcb(), grab.keycode, x11_->root(), grab.modifiers);
    grabbed_.clear();
    held_.reset();
}

bool X11HotKey::handle(const xcb_generic_event_t& event) {
    const auto type = event.response_type & 0x7f;
    if (xkbFirstEvent_ && type == *xkbFirstEvent_) {
        const auto xkbType = reinterpret_cast<const std::uint8_t*>(&event)[1];
        if (xkbType == xkbNewKeyboardNotify || xkbType == xkbMapNotify)
            keymapChanged();
        return false; // Qt follows the keyboard too
    }
    if (type == XCB_MAPPING_NOTIFY) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t&>(event).request !=
            XCB_MAPPING_POINTER)
            keymapChanged();
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
    if (key.event != x11_->root() || grabbed_.empty() ||
        std::find(keycodes_.begin(), keycodes_.end(), key.detail) == keycodes_.end())
        return false;
    if (type == XCB_KEY_RELEASE) {
        held_.reset();
        return true;
    }
    if ((key.state & ~lockMasks_ & 0xff) != chord_ || held_ == key.detail)
        return true;
    held_ = key.detail;
    // The action may open windows; it runs after Qt has finished reading this event.
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (action)
                action();
        },
        Qt::QueuedConnection);
    return true;
}

void X11HotKey::keymapChanged() {
    resetKeySymbols();
    // A new layout sends a burst of notifications; grab once after the last.
    if (!wanted_ || regrabQueued_)
        return;
    regrabQueued_ = true;
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            regrabQueued_ = false;
            if (wanted_)
                grab();
        },
        Qt::QueuedConnection);
}

std::vector<xcb_keycode_t> X11HotKey::keycodesOf(std::uint32_t keysym) {
    if (!keySymbols_)
        keySymbols_ = xcb_key_symbols_alloc(x11_->xcb());
    std::vector<xcb_keycode_t> keycodes;
    if (!keySymbols_)
        return keycodes;
    XcbPtr<xcb_keycode_t> found(xcb_key_symbols_get_keycode(keySymbols_, keysym));
    for (const xcb_keycode_t* code = found.get(); code && *code != XCB_NO_SYMBOL; ++code) {
        if (std::find(keycodes.begin(), keycodes.end(), *code) == keycodes.end())
            keycodes.push_back(*code);
    }
    return keycodes;
}

// Which of Mod1..Mod5 carry Alt and NumLock: Alt is Mod1 almost everywhere, NumLock
// usually Mod2, but both are the keyboard mapping's choice.
X11HotKey::Modifiers X11HotKey::modifiers() {
    Modifiers result;
    auto* connection = x11_->xcb();
    const auto reply =
        xcbReply(xcb_get_modifier_mapping_reply, connection, xcb_get_modifier_mapping(connection));
    if (!reply)
        return result;
    const auto* map = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    auto modifierOf = [&](const std::vector<xcb_keycode_t>& keycodes) -> std::uint16_t {
        for (int mod = 3; mod < 8; ++mod) { // Mod1..Mod5
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = map[mod * perModifier + i];
                if (code != 0 &&
                    std::find(keycodes.begin(), keycodes.end(), code) != keycodes.end())
                    return static_cast<std::uint16_t>(1u << mod);
            }
        }
        return 0;
    };
    result.numLock = modifierOf(keycodesOf(keysymNumLock));
    std::vector<xcb_keycode_t> alt = keycodesOf(keysymAltL);
    for (const std::uint32_t keysym : {keysymAltR, keysymMetaL}) {
        for (const xcb_keycode_t code : keycodesOf(keysym))
            alt.push_back(code);
    }
    if (const std::uint16_t mod = modifierOf(alt))
        result.alt = mod;
    return result;
}

void X11HotKey::resetKeySymbols() {
    if (keySymbols_)
        xcb_key_symbols_free(keySymbols_);
    keySymbols_ = nullptr;
}

} // namespace dustlyn
