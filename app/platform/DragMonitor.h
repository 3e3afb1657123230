#pragma once

namespace dustlyn {

// The drag-and-drop in progress on the desktop, as any program started it.
class DragMonitor {
public:
    virtual ~DragMonitor() = default;

    // Moves each time a new drag takes the drag selection; cheap to read on every
    // pointer event.
    virtual long changeCount() const = 0;
    // Whether the current drag offers file locations (text/uri-list). Read only when
    // changeCount() moved: it may ask the dragging program.
    virtual bool offersFiles() = 0;
};

} // namespace dustlyn
