#pragma once

namespace dustlyn {

// Empties the user's Trash after a sweep, when the user asked for it.
class TrashEmptier {
public:
    virtual ~TrashEmptier() = default;
    // Throws FileError when the Trash could not be emptied.
    virtual void emptyTrash() = 0;
};

class NoOpTrashEmptier : public TrashEmptier {
public:
    void emptyTrash() override {}
};

} // namespace dustlyn
