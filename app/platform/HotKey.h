#pragma once

#include <functional>

namespace dustlyn {

// The global shortcut Ctrl+Alt+P that opens and closes the notch panel.
class HotKey {
public:
    virtual ~HotKey() = default;

    // Takes the shortcut; doing it twice is harmless. Where another program owns it, the
    // shortcut stays with that program and the conflict is reported once.
    virtual void registerHotKey() = 0;
    virtual void unregisterHotKey() = 0;
    virtual bool registered() const = 0;

    // Called on the main thread when the shortcut is pressed.
    std::function<void()> action;
};

} // namespace dustlyn
