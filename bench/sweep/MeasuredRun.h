#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dustlyn::bench {

// What one program run cost, as its user waits for it: started, its standard output read
// from a pipe to the end (as a shell pipeline would), and reaped.
struct MeasuredRun {
    int status = 0;           // exit status, or 128 + the signal that ended it
    double seconds = 0;       // from the start to the end of its output and its exit
    double cpuSeconds = 0;    // user + system time of the process (and any children)
    long peakResidentKiB = 0; // its peak resident memory
    std::size_t outputBytes = 0;

    // Runs `arguments` (the first looked up in PATH unless it holds a slash) with
    // `environment` (NAME=value texts); standard error goes to /dev/null. The figures are
    // taken by dustlyn_bench_spawn, which starts the program. Throws FileError when it
    // cannot be started.
    static MeasuredRun of(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment);
};

// The middle value (the lower middle of an even count); 0 for none.
double median(std::vector<double> values);

} // namespace dustlyn::bench
