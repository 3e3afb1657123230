#pragma once

#include <QRectF>

#include <sys/types.h>

#include <optional>

namespace dustlyn {

// The window the user is working in.
struct ActiveWindowState {
    pid_t pid = 0;           // 0 when the window does not say
    QRectF bounds;           // global coordinates
    bool fullScreen = false; // the window manager put it in full-screen state

    bool operator==(const ActiveWindowState&) const = default;
};

class ActiveWindow {
public:
    virtual ~ActiveWindow() = default;

    // Nothing when no window is active or it cannot be read.
    virtual std::optional<ActiveWindowState> current() const = 0;
};

} // namespace dustlyn
