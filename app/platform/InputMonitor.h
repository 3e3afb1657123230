#pragma once

#include <QPointF>

#include <functional>

namespace dustlyn {

enum class PointerEventType { leftDown, leftUp, moved, leftDragged };

// Pointer and keyboard activity anywhere on the desktop, followed without polling.
class InputMonitor {
public:
    virtual ~InputMonitor() = default;

    // The pointer's position in global coordinates.
    virtual QPointF pointerPosition() const = 0;
    // Seconds since the last key press anywhere on the desktop; infinity when unknown.
    virtual double secondsSinceLastKeyPress() const = 0;

    // Called on the main thread for every pointer event. `global` is true for events that
    // go to other programs' windows and false for events in this program's own windows.
    std::function<void(PointerEventType type, bool global)> onPointerEvent;
};

} // namespace dustlyn
