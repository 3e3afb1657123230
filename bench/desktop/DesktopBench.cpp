// dustlyn_bench_desktop [--idle-seconds N] [--move-seconds N]   (on an X server: run it
// through scripts/with-desktop, which gives it Xvfb, openbox and a session bus)
//
// What the desktop services cost a running program, against a bare Qt Widgets program with
// a tray icon on the same display, both started by this driver and measured side by side:
//
//   bare      QApplication with a QSystemTrayIcon shown.
//   platform  The same with the session's services (Platform::forSession): Dustlyn's tray
//             item, the hot key grabbed, the pointer, key and drag followed; every pointer
//             event is taken and the pointer position read, as the notch does.
//
// Idle: the context switches of all their threads per second over --idle-seconds (default
// 10; the bar, at most one per second, is meant over 60) and their resident memory.
// Pointer: xdotool moves the pointer across the top of the screen and back, 8 pixels every
// 8 ms (125 Hz, a common mouse's rate) for --move-seconds (default 10); the CPU time each
// program used meanwhile, as a share of one core (bar: under 3 % for the platform program).
//
// The bars are printed, never asserted. Exits 1 only when a measurement could not be made.

#include "bench/desktop/ProcessSample.h"
#include "bench/sweep/ChildProcess.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

int runChild(int argc, char** argv, const std::string& kind); // DesktopBenchChild.cpp

namespace {

using namespace dustlyn::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "dustlyn_bench_desktop: %s\n", message.c_str());
    std::exit(1);
}

using Sample = ProcessSample;

Sample sample(pid_t pid) {
    try {
        return ProcessSample::of(pid);
    } catch (const std::exception& error) {
        fail(error.what());
    }
}

struct Child {
    std::string kind;
    fs::path output;
    ChildProcess process;
};

Child startChild(const std::string& self, const std::string& kind, const fs::path& folder) {
    const fs::path output = folder / (kind + ".out");
    auto process = ChildProcess::start({self, "--child", kind}, std::nullopt, output);
    // Ready once its event loop runs; the child says so itself.
    const auto deadline = Steady::now() + std::chrono::seconds(30);
    while (Steady::now() < deadline) {
        std::ifstream in(output);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text.find("ready\n") != std::string::npos)
            return {kind, output, std::move(process)};
        if (process.poll())
            fail(kind + " program ended early:\n" + text);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fail(kind + " program did not start within 30 s");
}

std::string lastLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty())
            last = line;
    return last;
}

// Across the top of the screen (where the notch hangs) and back, 8 pixels a step.
std::vector<std::string> pointerSweep(double seconds) {
    const int steps = int(seconds / 0.008);
    std::vector<std::string> arguments{"xdotool", "mousemove", "0", "12"};
    for (int step = 0; step < steps; ++step) {
        const bool right = (step / 150) % 2 == 0;
        arguments.insert(arguments.end(),
                         {"mousemove_relative", "--", right ? "8" : "-8", "0", "sleep", "0.008"});
    }
    return arguments;
}

void report(const char* what, double bare, double platform, const char* unit) {
    std::printf("  %-34s bare %10.3f   platform %10.3f %s\n", what, bare, platform, unit);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return runChild(argc, argv, argv[2]);
    double idleSeconds = 10;
    double moveSeconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--idle-seconds")
            idleSeconds = std::stod(argv[i + 1]);
        else if (option == "--move-seconds")
            moveSeconds = std::stod(argv[i + 1]);
        else
            fail("unknown option " + option + " (use --idle-seconds N or --move-seconds N)");
    }
    if (!std::getenv("DISPLAY"))
        fail("no X server; run it through scripts/with-desktop");

    char folderTemplate[] = "/tmp/dustlyn-bench-desktop.XXXXXX";
    if (!::mkdtemp(folderTemplate))
        fail("cannot make a temporary folder");
    const fs::path folder = folderTemplate;
    const std::string self = fs::read_symlink("/proc/self/exe");
    Child bare = startChild(self, "bare", folder);
    Child platform = startChild(self, "platform", folder);

    std::this_thread::sleep_for(std::chrono::seconds(2)); // start-up work settles
    const Sample bareIdle0 = sample(bare.process.pid());
    const Sample platformIdle0 = sample(platform.process.pid());
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const Sample bareIdle1 = sample(bare.process.pid());
    const Sample platformIdle1 = sample(platform.process.pid());

    const auto moveStart = Steady::now();
    if (ChildProcess::run(pointerSweep(moveSeconds)) != 0)
        fail("xdotool failed to move the pointer");
    const double moved = std::chrono::duration<double>(Steady::now() - moveStart).count();
    const Sample bareMoved = sample(bare.process.pid());
    const Sample platformMoved = sample(platform.process.pid());

    bare.process.stop();
    platform.process.stop();
    const std::string events = lastLine(platform.output);
    fs::remove_all(folder);

    std::printf("Desktop services against a bare Qt Widgets program with a tray icon\n");
    std::printf(" idle for %.0f s:\n", idleSeconds);
    const double bareWakeups = double(bareIdle1.switches - bareIdle0.switches) / idleSeconds;
    const double platformWakeups =
        double(platformIdle1.switches - platformIdle0.switches) / idleSeconds;
    report("context switches per second", bareWakeups, platformWakeups, "");
    report("resident memory", double(bareIdle1.residentKiB) / 1024,
           double(platformIdle1.residentKiB) / 1024, "MiB");
    std::printf("  bar: at most 1 wake-up per second: %s; memory ratio %.2f\n",
                platformWakeups <= 1 ? "met" : "NOT met",
                double(platformIdle1.residentKiB) / double(bareIdle1.residentKiB));
    std::printf(" pointer moving for %.1f s (%s):\n", moved, events.c_str());
    const double bareCpu = bareMoved.cpuSeconds - bareIdle1.cpuSeconds;
    const double platformCpu = platformMoved.cpuSeconds - platformIdle1.cpuSeconds;
    report("CPU time", bareCpu, platformCpu, "s");
    report("share of one core", 100 * bareCpu / moved, 100 * platformCpu / moved, "%");
    std::printf("  bar: under 3 %% of one core: %s (the services' own part: %.2f %%)\n",
                100 * platformCpu / moved < 3 ? "met" : "NOT met",
                100 * (platformCpu - bareCpu) / moved);
    return 0;
}
