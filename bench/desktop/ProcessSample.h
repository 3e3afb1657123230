#pragma once

#include <sys/types.h>

namespace dustlyn::bench {

// What a running process has cost so far, read from /proc.
struct ProcessSample {
    double cpuSeconds = 0; // user and system time of all its threads
    long switches = 0;     // context switches of all its threads, voluntary or not
    long residentKiB = 0;  // VmRSS

    // Throws std::runtime_error when the process cannot be read.
    static ProcessSample of(pid_t pid);
};

} // namespace dustlyn::bench
