// dustlyn-move-probe SRC DESTDIR: moves SRC into DESTDIR exactly as a sweep moves a due file
// (the first free name, dated now), then prints where it went; on failure prints the error
// and exits with 1. Tests run it under strace to inject faults into its system calls.
#include "core/base/FileError.h"
#include "core/quarantine/FileManagerMover.h"
#include "core/quarantine/Purger.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dustlyn-move-probe SRC DESTDIR\n");
        return 2;
    }
    try {
        const auto destination = dustlyn::Purger::uniqueDestination(argv[2], argv[1]);
        const auto placed = dustlyn::FileManagerMover().move(argv[1], destination,
                                                             std::chrono::system_clock::now());
        std::printf("%s\n", placed.c_str());
        return 0;
    } catch (const dustlyn::FileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
