#include "cli/ShortLivedHeap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace dustlyn {

namespace {

// The size of a huge page on x86-64 and of the usual arm64 setup, the only ones built for.
constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
// What a sweep of some thousand files touches, with room to spare; only what is touched
// takes memory.
constexpr std::size_t reserve = std::size_t{16} << 20;

std::uintptr_t programBreak() {
    return reinterpret_cast<std::uintptr_t>(::sbrk(0));
}

bool failed(void* result) {
    return result == reinterpret_cast<void*>(-1);
}

std::size_t adviseHugePages() {
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t top = programBreak();
    // The allocator writes a header at the start of the space it takes next. That goes in the
    // page before a huge-page boundary, so the 2 MiB past the boundary are first touched by the
    // command's own data, all at once: one small page already there would keep them small.
    const std::uintptr_t boundary = (top + page + hugePage - 1) & ~(hugePage - 1);
    if (failed(::sbrk(static_cast<std::intptr_t>(boundary - page - top))))
        return 0;
    // Taken and given back: the heap then reaches past `reserve`, and keeps it (the trim
    // threshold is above it).
    void* volatile block = ::malloc(reserve);
    if (block == nullptr)
        return 0;
    ::free(block);
    const std::uintptr_t end = programBreak();
    if (end <= boundary)
        return 0;
    if (::madvise(reinterpret_cast<void*>(boundary), end - boundary, MADV_HUGEPAGE) != 0)
        return 0;
    return end - boundary;
}

} // namespace

std::size_t ShortLivedHeap::prepare() {
    // The largest threshold the allocator takes; blocks above it are still mapped apart.
    constexpr int largest = 32 << 20;
    ::mallopt(M_MMAP_THRESHOLD, largest);
    ::mallopt(M_TRIM_THRESHOLD, largest);
    // One arena: a helper thread's buffers come from the same huge pages, not from an arena of
    // its own faulted in page by page.
    ::mallopt(M_ARENA_MAX, 1);
    return adviseHugePages();
}

} // namespace dustlyn
