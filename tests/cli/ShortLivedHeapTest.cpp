#include "cli/ShortLivedHeap.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace dustlyn {
namespace {

bool hugePagesOffered() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text((std::istreambuf_iterator<char>(setting)), std::istreambuf_iterator<char>());
    return !text.empty() && text.find("[never]") == std::string::npos;
}

long anonymousHugeKilobytes() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string key;
    long kilobytes = 0;
    while (rollup >> key) {
        if (key == "AnonHugePages:") {
            rollup >> kilobytes;
            return kilobytes;
        }
        rollup.ignore(1 << 10, '\n');
    }
    return 0;
}

// Blocks of many sizes written, half given back, more taken, and every byte read back: what a
// heap moved under the allocator's feet would get wrong.
bool heapHoldsWhatIsWritten() {
    std::vector<std::vector<unsigned char>> blocks;
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < 2000; ++i)
            blocks.emplace_back(16 + (i * 37) % 8000, static_cast<unsigned char>(i));
        for (std::size_t i = 0; i < blocks.size(); i += 2)
            blocks[i].clear(), blocks[i].shrink_to_fit();
    }
    for (std::size_t i = 1; i < blocks.size(); i += 2)
        for (unsigned char byte : blocks[i])
            if (byte != static_cast<unsigned char>(i % 2000))
                return false;
    return true;
}

enum Outcome { sound = 0, corrupted = 1, notAdvised = 2, noHugePage = 3 };

// In a child, as the allocator is set up once per process and for good.
TEST(ShortLivedHeap, growsIntoHugePagesAndKeepsEveryByte) {
    const pid_t child = fork();
    if (child == 0) {
        const std::size_t advised = ShortLivedHeap::prepare();
        // Less than a huge page of data, the first the heap takes after being set up: one
        // small page of it touched before would keep the whole of it small.
        std::vector<char> first(std::size_t{1} << 20, 'x');
#if !defined(__SANITIZE_ADDRESS__)
        if (advised == 0)
            _exit(notAdvised);
        if (hugePagesOffered() && anonymousHugeKilobytes() < 2048)
            _exit(noHugePage);
#endif
        _exit(heapHoldsWhatIsWritten() ? sound : corrupted);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const char* const said[] = {"", "a block did not hold what was written to it",
                                "no part of the heap was advised to use huge pages",
                                "the heap holds no huge page though the system offers them"};
    EXPECT_EQ(WEXITSTATUS(status), sound) << said[std::min(WEXITSTATUS(status), 3)];
}

} // namespace
} // namespace dustlyn
