// dustlyn_bench_event [FOLDER] [--dustlyn PATH] [--runs N] [--files N]
//
// What one change in a large watched folder costs a running `dustlyn --headless`, and what
// the instance holds in memory while it watches. In a throw-away home (under FOLDER, default
// $TMPDIR or /tmp) the Desktop holds 20 000 fresh screenshots (--files), all claimed by the
// built-in screenshot rules and none due. Once the instance has started and settled, a new
// screenshot is saved on the Desktop, 5 times (--runs); each time the CPU time the instance
// spends on it (its watcher's debounce, then one sweep: both scans, the quarantine listing
// and the new-file announcement) is read from the process's CPU clock. The reference, taking
// turns with the events: `find ~/Desktop -type f -printf '%s %T@ %p\n'` as a whole process,
// its CPU time from getrusage. Also the instance's resident memory after the events and its
// peak.
//
// Bars, printed, never asserted: an event at most 1.5x find's CPU time, and under 25 MB
// resident. Exits 1 only when a measurement could not be made.

#include "bench/sweep/ChildProcess.h"
#include "bench/sweep/MeasuredRun.h"
#include "bench/sweep/ThrowawayHome.h"
#include "core/config/ConfigurationStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifndef DUSTLYN_EXECUTABLE
#define DUSTLYN_EXECUTABLE "dustlyn"
#endif

namespace {

using namespace dustlyn;
using namespace dustlyn::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr double cpuBar = 1.5;
constexpr double memoryBarBytes = 25e6;
// The watcher reports a burst 1.5 s after its last change.
constexpr auto debounce = std::chrono::milliseconds(1500);
constexpr auto pollInterval = std::chrono::milliseconds(20);
// The sweep is over once the CPU clock has stood still this long.
constexpr auto settled = std::chrono::milliseconds(300);

struct Settings {
    fs::path parent = ThrowawayHome::defaultParent();
    std::string dustlyn = DUSTLYN_EXECUTABLE;
    int runs = 5;
    int files = 20000;
};

void fail(const std::string& what) {
    throw std::runtime_error(what);
}

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void makeEmptyFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot create " + file.native());
    ::close(fd);
}

// The instance's CPU time so far, all threads, in seconds.
double cpuSecondsOf(pid_t pid) {
    clockid_t clock{};
    timespec time{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &time) != 0)
        fail("cannot read the CPU clock of process " + std::to_string(pid));
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// A number of kB after `key` in /proc/PID/status, in bytes.
double statusBytes(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(key))
            return std::strtod(line.c_str() + key.size(), nullptr) * 1024;
    fail("no " + key + " for process " + std::to_string(pid));
    return 0;
}

// Waits until the instance has used CPU time and then left it still for a while.
double waitUntilSettled(pid_t pid, double before, Steady::time_point giveUp) {
    double last = cpuSecondsOf(pid);
    auto stillSince = Steady::now();
    while (Steady::now() < giveUp) {
        std::this_thread::sleep_for(pollInterval);
        const double now = cpuSecondsOf(pid);
        if (now != last) {
            last = now;
            stillSince = Steady::now();
        } else if (last > before && Steady::now() - stillSince >= settled) {
            return last;
        }
    }
    fail("dustlyn --headless did not settle within 30 s");
    return last;
}

ChildProcess startHeadless(const Settings& settings, const ThrowawayHome& place,
                           const fs::path& log) {
    ChildProcess app =
        ChildProcess::start({settings.dustlyn, "--headless"}, place.environment(), log);
    const fs::path socket = place.runtimeDirectory() / "dustlyn.sock";
    const auto giveUp = Steady::now() + std::chrono::seconds(30);
    struct stat info {};
    while (::lstat(socket.c_str(), &info) != 0) {
        if (const auto status = app.poll())
            fail("dustlyn --headless ended with status " + std::to_string(*status) + ":\n" +
                 contents(log));
        if (Steady::now() > giveUp)
            fail("dustlyn --headless did not listen within 30 s:\n" + contents(log));
        std::this_thread::sleep_for(pollInterval);
    }
    // The start-up sweep comes 50 ms after the start.
    waitUntilSettled(app.pid(), 0, Steady::now() + std::chrono::seconds(30));
    return app;
}

void prepareHome(const ThrowawayHome& place, int files) {
    const fs::path desktop = place.home() / "Desktop";
    fs::create_directories(desktop);
    char name[96];
    for (int i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "Screenshot 2026-03-%02d at %05d.png", 1 + i % 28, i);
        makeEmptyFile(desktop / name);
    }
    const UserFolders folders = place.folders();
    Configuration config = Configuration::defaults(folders);
    config.onboardingCompleted = true;
    ConfigurationStore::defaultStore(folders).save(config);
}

struct Figures {
    std::vector<double> event, find;
    double resident = 0;
    double peak = 0;
};

Figures measure(const Settings& settings, const ThrowawayHome& place) {
    const fs::path log = place.root() / "headless.log";
    ChildProcess app = startHeadless(settings, place, log);
    const std::vector<std::string> findCommand = {
        "find", (place.home() / "Desktop").native(), "-type", "f", "-printf", "%s %T@ %p\n"};
    Figures figures;
    MeasuredRun::of(findCommand, place.environment()); // warm-up
    for (int run = 1; run <= settings.runs; ++run) {
        const double before = cpuSecondsOf(app.pid());
        makeEmptyFile(place.home() / "Desktop" /
                      ("Screenshot new " + std::to_string(run) + ".png"));
        std::this_thread::sleep_for(debounce);
        const double after =
            waitUntilSettled(app.pid(), before, Steady::now() + std::chrono::seconds(30));
        figures.event.push_back(after - before);
        figures.find.push_back(MeasuredRun::of(findCommand, place.environment()).cpuSeconds);
    }
    figures.resident = statusBytes(app.pid(), "VmRSS:");
    figures.peak = statusBytes(app.pid(), "VmHWM:");
    if (const int status = app.stop(); status != 0)
        std::printf("  note: dustlyn --headless ended with status %d:\n%s", status,
                    contents(log).c_str());
    return figures;
}

Settings parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--runs" && i + 1 < argc)
            settings.runs = std::max(1, std::atoi(argv[++i]));
        else if (word == "--files" && i + 1 < argc)
            settings.files = std::max(1, std::atoi(argv[++i]));
        else if (word == "--dustlyn" && i + 1 < argc)
            settings.dustlyn = argv[++i];
        else if (!word.starts_with("-"))
            settings.parent = word;
        else
            fail("unknown option " + word +
                 " (use [FOLDER] [--dustlyn PATH] [--runs N] [--files N])");
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Settings settings = parse(argc, argv);
        const ThrowawayHome place(settings.parent, "dustlyn-bench-event");
        prepareHome(place, settings.files);
        const Figures figures = measure(settings, place);
        const double event = median(figures.event), find = median(figures.find);
        std::printf("one change event in a watched folder of %d claimed files, median of %d\n",
                    settings.files, settings.runs);
        std::printf("  dustlyn --headless, CPU of the debounced sweep %8.1f ms (", event * 1000);
        for (const double value : figures.event)
            std::printf(" %.1f", value * 1000);
        std::printf(" )\n  find over the folder, CPU of the process     %8.1f ms\n", find * 1000);
        std::printf("  ratio %.2f; resident %.1f MB, peak %.1f MB\n", event / find,
                    figures.resident / 1e6, figures.peak / 1e6);
        std::printf("  bar: at most %.1fx find: %s; resident under %.0f MB: %s\n", cpuBar,
                    event / find <= cpuBar ? "met" : "NOT met", memoryBarBytes / 1e6,
                    figures.resident < memoryBarBytes ? "met" : "NOT met");
        std::printf("summary: change event %.1f ms CPU against find's %.1f ms (%.2fx); "
                    "%.1f MB resident (peak %.1f MB)\n",
                    event * 1000, find * 1000, event / find, figures.resident / 1e6,
                    figures.peak / 1e6);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_event: %s\n", error.what());
        return 1;
    }
}
