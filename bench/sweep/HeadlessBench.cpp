// dustlyn_bench_headless [FOLDER] [--dustlyn PATH] [--runs N] [--idle] [--idle-only]
//
// Measures a running `dustlyn --headless` from outside, in a throw-away home under FOLDER
// (default $TMPDIR or /tmp) with HOME and the XDG folders all inside it.
//
// Deadline lateness: `dustlyn timer FILE 3s` for a fresh file on the Desktop (watched by
// the built-in rules), then the quarantine is looked at every 10 ms until the file is
// there; lateness = arrival minus the deadline, 5 times (--runs). The instance sets the
// deadline from its clock and saves config.json at once, so the deadline is taken as that
// file's modification time + 3 s (checked against the saved entry); the bounds the command
// itself gives (deadline no earlier than its start, no later than its end) are printed
// beside it. The reference is the polling resolution, 10 ms.
//
// Idle cost (--idle, about 70 s): an instance with three enabled rules, each on its own
// folder holding one file that is not due, checkInterval 300, started together with
// `sleep 100`. For both: resident memory (VmRSS) at 5 s and 65 s, and the context switches
// of all their threads between those moments, per second. Bars: under 15 MB, at most one
// switch per second.
//
// The bars are printed, never asserted. Exits 1 only when a measurement could not be made.

#include "bench/sweep/ChildProcess.h"
#include "bench/sweep/ThrowawayHome.h"
#include "core/base/FileError.h"
#include "core/config/ConfigurationStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr auto pollInterval = std::chrono::milliseconds(10);
constexpr auto timerDelay = std::chrono::seconds(3);
constexpr double latenessBarMilliseconds = 600;
constexpr double memoryBarBytes = 15e6;
constexpr double switchesBarPerSecond = 1;
constexpr auto idleFirstSample = std::chrono::seconds(5);
constexpr auto idleSecondSample = std::chrono::seconds(65);

void fail(const std::string& what) {
    throw std::runtime_error(what);
}

struct Settings {
    fs::path parent = ThrowawayHome::defaultParent();
    std::string dustlyn = DUSTLYN_EXECUTABLE;
    int runs = 5;
    bool deadline = true;
    bool idle = false;
};

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeSmallFile(const fs::path& file) {
    std::ofstream out(file);
    out << "a file that is given a deadline\n";
    out.close();
    if (!out)
        fail("cannot write " + file.native());
}

bool isPresent(const fs::path& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0;
}

// A running `dustlyn --headless` in `place`, ready once its control socket listens.
ChildProcess startHeadless(const Settings& settings, const ThrowawayHome& place,
                           const fs::path& log) {
    ChildProcess app =
        ChildProcess::start({settings.dustlyn, "--headless"}, place.environment(), log);
    const fs::path socket = place.runtimeDirectory() / "dustlyn.sock";
    const auto giveUp = Steady::now() + std::chrono::seconds(30);
    while (!isPresent(socket)) {
        if (const auto status = app.poll())
            fail("dustlyn --headless ended with status " + std::to_string(*status) + ":\n" +
                 contents(log));
        if (Steady::now() > giveUp)
            fail("dustlyn --headless did not listen within 30 s:\n" + contents(log));
        std::this_thread::sleep_for(pollInterval);
    }
    // Let the start-up sweep (50 ms after start) pass before measuring.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return app;
}

void stopHeadless(ChildProcess& app, const fs::path& log) {
    const int status = app.stop();
    if (status != 0)
        std::printf("  note: dustlyn --headless ended with status %d; its output:\n%s", status,
                    contents(log).c_str());
}

struct Arrival {
    Steady::time_point steady;
    Date wall;
};

// The first poll tick at which `file` exists.
Arrival arrivalOf(const fs::path& file, Steady::time_point giveUp) {
    auto tick = Steady::now();
    while (!isPresent(file)) {
        if (tick > giveUp)
            fail(file.native() + " did not arrive in the quarantine");
        tick += pollInterval;
        std::this_thread::sleep_until(tick);
    }
    return {Steady::now(), std::chrono::system_clock::now()};
}

Date modifiedAt(const fs::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        fail("cannot read " + file.native() + ": " + FileError::fromErrno(errno).what());
    return dateFromUnix(info.st_mtim.tv_sec, static_cast<std::uint32_t>(info.st_mtim.tv_nsec));
}

// The moment the instance set the timer: it saves the configuration right after reading its
// clock, so the file's modification time is that moment to within the kernel's timestamp
// granularity. The saved entry (whole seconds) must agree, or another save came between.
Date timerSetAt(const ThrowawayHome& place, const fs::path& file) {
    const ConfigurationStore store = ConfigurationStore::defaultStore(place.folders());
    const Date saved = modifiedAt(store.url());
    const auto timers = store.load().timers;
    const auto entry = timers.find(file.native());
    if (entry == timers.end())
        fail("config.json holds no timer for " + file.native());
    const double gap = secondsBetween(dateAfter(saved, 3), entry->second);
    if (gap > 0.001 || gap < -1.001)
        fail("config.json was saved " + std::to_string(gap) +
             " s away from its timer; another change came between");
    return saved;
}

struct Lateness {
    double command = 0;   // how long `dustlyn timer` took, ms
    double measured = 0;  // arrival minus (the moment the timer was set + 3 s), ms
    double fromStart = 0; // arrival minus (command start + 3 s), ms: an upper bound
    double fromEnd = 0;   // arrival minus (command end + 3 s), ms: a lower bound
};

Lateness measureOneDeadline(const Settings& settings, const ThrowawayHome& place, int n) {
    const std::string name = "leaving-" + std::to_string(n) + ".txt";
    const fs::path file = place.home() / "Desktop" / name;
    const fs::path target = place.dataHome() / "Dustlyn/Quarantine" / name;
    const fs::path log = place.root() / "timer.log";
    writeSmallFile(file);
    const auto start = Steady::now();
    const int status = ChildProcess::run({settings.dustlyn, "timer", file.native(), "3s"},
                                         place.environment(), log);
    const auto end = Steady::now();
    if (status != 0)
        fail("dustlyn timer ended with status " + std::to_string(status) + ":\n" + contents(log));
    const Date deadline = dateAfter(timerSetAt(place, file), 3);
    const auto arrival = arrivalOf(target, end + timerDelay + std::chrono::seconds(10));
    return {Milliseconds(end - start).count(), Milliseconds(arrival.wall - deadline).count(),
            Milliseconds(arrival.steady - (start + timerDelay)).count(),
            Milliseconds(arrival.steady - (end + timerDelay)).count()};
}

void runDeadline(const Settings& settings) {
    const ThrowawayHome place(settings.parent, "dustlyn-bench-deadline");
    fs::create_directories(place.home() / "Desktop");
    const fs::path log = place.root() / "headless.log";
    ChildProcess app = startHeadless(settings, place, log);
    std::printf("deadline lateness: `dustlyn timer FILE 3s`, quarantine polled every %lld ms "
                "(load average %s)\n",
                static_cast<long long>(pollInterval.count()), loadAverage().c_str());
    std::printf("  %-5s %14s %12s %28s\n", "run", "timer command", "lateness",
                "bounds (command end, start)");
    double worst = -1e9, worstUpper = -1e9;
    for (int i = 1; i <= settings.runs; ++i) {
        const Lateness late = measureOneDeadline(settings, place, i);
        std::printf("  %-5d %11.1f ms %9.1f ms %14.1f ms .. %6.1f ms\n", i, late.command,
                    late.measured, late.fromEnd, late.fromStart);
        worst = std::max(worst, late.measured);
        worstUpper = std::max(worstUpper, late.fromStart);
    }
    stopHeadless(app, log);
    std::printf("  max lateness %.1f ms (at most %.1f ms counting from the command's start)\n",
                worst, worstUpper);
    std::printf("  reference: polling resolution %lld ms; the model's deadline slack is "
                "500 ms\n",
                static_cast<long long>(pollInterval.count()));
    std::printf("  bar: a file leaves at most %.0f ms after its deadline: %s\n",
                latenessBarMilliseconds, worst <= latenessBarMilliseconds ? "met" : "NOT met");
}

struct ProcessSample {
    long residentKiB = 0;
    long switches = 0;
    int threads = 0;
};

// The number after `key` in a /proc status file, or -1.
long statusField(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(key))
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

ProcessSample sample(pid_t pid) {
    const fs::path proc = "/proc/" + std::to_string(pid);
    ProcessSample result;
    result.residentKiB = statusField(proc / "status", "VmRSS:");
    if (result.residentKiB < 0)
        fail("cannot read " + (proc / "status").native());
    std::error_code error;
    for (const auto& task : fs::directory_iterator(proc / "task", error)) {
        const long voluntary = statusField(task.path() / "status", "voluntary_ctxt_switches:");
        const long forced = statusField(task.path() / "status", "nonvoluntary_ctxt_switches:");
        if (voluntary < 0 || forced < 0)
            continue; // the thread ended while being read
        result.switches += voluntary + forced;
        result.threads += 1;
    }
    if (error)
        fail("cannot list " + (proc / "task").native() + ": " + error.message());
    return result;
}

// The inotify watches the process holds, to show the folders really are watched.
int inotifyWatches(pid_t pid) {
    const fs::path proc = "/proc/" + std::to_string(pid);
    int watches = 0;
    std::error_code error;
    for (const auto& fd : fs::directory_iterator(proc / "fd", error)) {
        std::error_code linkError;
        if (fs::read_symlink(fd.path(), linkError).native() != "anon_inode:inotify")
            continue;
        std::ifstream info(proc / "fdinfo" / fd.path().filename());
        std::string line;
        while (std::getline(info, line))
            watches += line.starts_with("inotify wd:") ? 1 : 0;
    }
    return watches;
}

PurgeRule watchingRule(int n) {
    PurgeRule rule;
    rule.id = Uuid::random();
    rule.name = "Watched " + std::to_string(n);
    rule.folders = {"~/Watched-" + std::to_string(n)};
    rule.matchers = {FileMatcher::glob("*.txt")};
    rule.ageThreshold = 86400;
    rule.ageBasis = AgeBasis::modification;
    return rule;
}

void writeIdleConfiguration(const ThrowawayHome& place) {
    const UserFolders folders = place.folders();
    Configuration config = Configuration::defaults(folders);
    config.rules.clear();
    for (int n = 1; n <= 3; ++n) {
        config.rules.push_back(watchingRule(n));
        const fs::path folder = place.home() / ("Watched-" + std::to_string(n));
        fs::create_directories(folder);
        writeSmallFile(folder / "not-due.txt");
    }
    config.checkInterval = 300;
    config.onboardingCompleted = true;
    ConfigurationStore::defaultStore(folders).save(config);
}

void requireRunning(ChildProcess& process, const char* name) {
    if (const auto status = process.poll())
        fail(std::string(name) + " ended early with status " + std::to_string(*status));
}

void printIdleRow(const char* name, const ProcessSample& first, const ProcessSample& second,
                  double seconds) {
    const double perSecond = double(second.switches - first.switches) / seconds;
    std::printf("  %-18s %9.2f MB %9.2f MB %8d %10ld %10.3f /s\n", name,
                double(first.residentKiB) * 1024 / 1e6, double(second.residentKiB) * 1024 / 1e6,
                second.threads, second.switches - first.switches, perSecond);
}

void runIdle(const Settings& settings) {
    const ThrowawayHome place(settings.parent, "dustlyn-bench-idle");
    writeIdleConfiguration(place);
    const fs::path log = place.root() / "headless.log";
    std::printf("idle cost: dustlyn --headless with three watched folders, against sleep 100, "
                "sampled at %llds and %llds (load average %s)\n",
                static_cast<long long>(idleFirstSample.count()),
                static_cast<long long>(idleSecondSample.count()), loadAverage().c_str());
    const auto start = Steady::now();
    ChildProcess app =
        ChildProcess::start({settings.dustlyn, "--headless"}, place.environment(), log);
    ChildProcess sleeper = ChildProcess::start({"sleep", "100"});

    std::this_thread::sleep_until(start + idleFirstSample);
    requireRunning(app, "dustlyn --headless");
    requireRunning(sleeper, "sleep");
    const ProcessSample appFirst = sample(app.pid()), sleepFirst = sample(sleeper.pid());
    const auto firstAt = Steady::now();
    const int watches = inotifyWatches(app.pid());

    std::this_thread::sleep_until(start + idleSecondSample);
    requireRunning(app, "dustlyn --headless");
    requireRunning(sleeper, "sleep");
    const ProcessSample appSecond = sample(app.pid()), sleepSecond = sample(sleeper.pid());
    const double seconds = std::chrono::duration<double>(Steady::now() - firstAt).count();
    sleeper.stop();
    stopHeadless(app, log);

    std::printf("  %-18s %12s %12s %8s %10s %12s\n", "", "RSS at 5 s", "RSS at 65 s", "threads",
                "switches", "per second");
    printIdleRow("dustlyn --headless", appFirst, appSecond, seconds);
    printIdleRow("sleep (reference)", sleepFirst, sleepSecond, seconds);
    std::printf("  dustlyn held %d inotify watches; %.1f s between the samples\n", watches,
                seconds);
    const double rss = double(std::max(appFirst.residentKiB, appSecond.residentKiB)) * 1024;
    const double rate = double(appSecond.switches - appFirst.switches) / seconds;
    std::printf("  bar: resident memory under %.0f MB: %s\n", memoryBarBytes / 1e6,
                rss < memoryBarBytes ? "met" : "NOT met");
    std::printf("  bar: at most %.0f context switch per second: %s\n", switchesBarPerSecond,
                rate <= switchesBarPerSecond ? "met" : "NOT met");
}

int positiveNumber(const char* text, const char* option) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 1 || value > 1000)
        fail(std::string(option) + " needs a whole number from 1 to 1000, not '" + text + "'");
    return static_cast<int>(value);
}

Settings parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--runs" && i + 1 < argc)
            settings.runs = positiveNumber(argv[++i], "--runs");
        else if (word == "--dustlyn" && i + 1 < argc)
            settings.dustlyn = argv[++i];
        else if (word == "--idle")
            settings.idle = true;
        else if (word == "--idle-only") {
            settings.idle = true;
            settings.deadline = false;
        } else if (!word.starts_with("-"))
            settings.parent = word;
        else
            fail("unknown option " + word +
                 " (use [FOLDER] [--dustlyn PATH] [--runs N] [--idle] [--idle-only])");
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Settings settings = parse(argc, argv);
        if (settings.deadline)
            runDeadline(settings);
        if (settings.idle)
            runIdle(settings);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_headless: %s\n", error.what());
        return 1;
    }
}
