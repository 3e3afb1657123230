#pragma once

#include <cstddef>

namespace dustlyn {

// The allocator set up for a command that runs once and ends. Memory it frees stays with it
// for its next buffers rather than going back to the system only to be faulted in again, and
// the heap it grows into is advised to use 2 MiB pages: a sweep touches a few megabytes, and
// each first touch of a 4 KiB page is a fault that costs microseconds (tens of them on a
// virtual machine), where a huge page costs one fault for 512 of them.
class ShortLivedHeap {
public:
    // Before the command's work, while it has one thread. The bytes of heap advised to use
    // huge pages: none where the allocator does not grow by the program break (a sanitizer's)
    // or the break cannot move.
    static std::size_t prepare();
};

} // namespace dustlyn
