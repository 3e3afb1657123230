#pragma once

#include "app/platform/HotKey.h"
#include "app/platform/x11/X11Connection.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <vector>

struct _XCBKeySymbols; // NOLINT(bugprone-reserved-identifier): xcb-keysyms' own name

namespace dustlyn {

// Ctrl+Alt+P as a passive key grab on the root window. The server matches a grab's
// modifiers exactly, so the key is grabbed once for each state of NumLock and CapsLock.
// Every grab is checked: where another program holds one of them, all are undone (a key
// that works only with NumLock off would be worse than none) and the conflict is reported
// on standard error, once. The grabs follow keyboard mapping changes.
class X11HotKey final : public HotKey {
public:
    explicit X11HotKey(std::shared_ptr<X11Connection> x11);
    ~X11HotKey() override;

    void registerHotKey() override;
    void unregisterHotKey() override;
    bool registered() const override { return !grabbed_.empty(); }

private:
    struct Grab {
        std::uint16_t modifiers;
        xcb_keycode_t keycode;
        bool operator==(const Grab&) const = default;
    };
    struct Modifiers {
        std::uint16_t alt = XCB_MOD_MASK_1;
        std::uint16_t numLock = 0;
    };

    bool handle(const xcb_generic_event_t& event);
    void grab();
    std::vector<Grab> wantedGrabs();
    void ungrab();
    std::vector<xcb_keycode_t> keycodesOf(std::uint32_t keysym);
    Modifiers modifiers();
    void keymapChanged();
    void resetKeySymbols();

    std::shared_ptr<X11Connection> x11_;
    QObject context_; // queued calls die with the hot key
    int listener_ = 0;
    std::optional<std::uint8_t> xkbFirstEvent_;
    _XCBKeySymbols* keySymbols_ = nullptr;
    bool wanted_ = false;
    bool regrabQueued_ = false;
    bool conflictReported_ = false;
    std::vector<Grab> grabbed_;
    std::vector<xcb_keycode_t> keycodes_;
    std::uint16_t chord_ = 0;           // Control and Alt as the server names them
    std::uint16_t lockMasks_ = 0;       // NumLock and CapsLock, ignored when matching a press
    std::optional<xcb_keycode_t> held_; // a held key repeats; it acts once
};

} // namespace dustlyn
