// dustlyn_bench_settings [FOLDER] [--runs N] [--idle SECONDS]
//
// Opening the settings window for the first time, in a throw-away home under FOLDER
// (default $TMPDIR or /tmp) with 5 000 history entries and 50 rules. Each run is a fresh
// process (fonts, icons and styles are loaded the first time, as for a user), and runs
// alternate between the reference, a bare 820 × 600 Qt window with a label, and the
// settings window on Overview (what `dustlyn settings` opens), Rules (50 sentences) and
// History (300 rows). Two times per run: from show() to the end of the first paint
// (what a running instance takes to answer `dustlyn settings`; the bar is 300 ms), and
// from starting the process to that frame (Qt's start, the model reading the home, the
// window). Medians and bests of --runs runs (default 5), with the ratio to the bare window.
//
// --make-home HOME builds that home and exits; `--child settings HOME PANE once` then opens
// one window in it, for profiling by hand.
//
// --idle SECONDS: each face stays open SECONDS (default off; 12 gives 60 s over the five
// panes) while nothing changes, and the context switches of all its threads are counted
// against the bare window's; the bar is one wake-up per second.
//
// Runs on the display of the environment (bench/settings/run.sh starts Xvfb with a window
// manager when there is none). The bars are printed, never asserted; exits 1 only when a
// measurement could not be made.
#include "bench/settings/OpenWindow.h"
#include "bench/sweep/ChildProcess.h"
#include "bench/sweep/ThrowawayHome.h"
#include "tests/app/settings/DemoHome.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace dustlyn;
using namespace dustlyn::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr double barMilliseconds = 300;
constexpr double wakeBarPerSecond = 1;

struct Options {
    fs::path parent = ThrowawayHome::defaultParent();
    int runs = 5;
    int idleSeconds = 0;
};

struct Face {
    std::string label;
    std::string kind;
    std::string pane;
};

const std::vector<Face> faces{{"bare Qt window", "bare", ""},
                              {"settings on Overview", "settings", "Overview"},
                              {"settings on Rules", "settings", "Rules"},
                              {"settings on History", "settings", "History"}};

std::string contents(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::map<std::string, std::string> fields(const std::string& text) {
    std::map<std::string, std::string> found;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        if (const auto at = word.find('='); at != std::string::npos)
            found[word.substr(0, at)] = word.substr(at + 1);
    return found;
}

std::vector<std::string> childArguments(const std::string& self, const Face& face,
                                        const fs::path& home, bool stay) {
    return {self,
            "--child",
            face.kind,
            home.native(),
            face.pane.empty() ? "-" : face.pane,
            stay ? "stay" : "once"};
}

struct Sample {
    double windowMs = 0;
    double processMs = 0;
    double modelMs = 0;
    std::string platform;
};

Sample measureOnce(const std::string& self, const Face& face, const fs::path& home,
                   const fs::path& log) {
    const auto spawned = Steady::now();
    const int status = ChildProcess::run(childArguments(self, face, home, false), {}, log);
    const std::string output = contents(log);
    auto found = fields(output);
    if (status != 0 || !found.contains("frame_ns"))
        throw std::runtime_error(face.label + " ended with status " + std::to_string(status) +
                                 ":\n" + output);
    const Steady::time_point frame{std::chrono::nanoseconds(std::stoll(found["frame_ns"]))};
    return {std::stod(found["window_ms"]),
            std::chrono::duration<double, std::milli>(frame - spawned).count(),
            std::stod(found["model_ms"]), found["platform"]};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

long switchesOf(pid_t pid) {
    long total = 0;
    std::error_code error;
    for (const auto& task :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::istringstream status(contents(task.path() / "status"));
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    if (error)
        throw std::runtime_error("cannot read the threads of process " + std::to_string(pid));
    return total;
}

double wakesPerSecond(const std::string& self, const Face& face, const fs::path& home,
                      const fs::path& log, int seconds) {
    ChildProcess child = ChildProcess::start(childArguments(self, face, home, true), {}, log);
    const auto giveUp = Steady::now() + std::chrono::seconds(30);
    while (contents(log).find("ready") == std::string::npos) {
        if (child.poll() || Steady::now() > giveUp)
            throw std::runtime_error(face.label + " did not open:\n" + contents(log));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the first frame's aftermath
    const long before = switchesOf(child.pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long after = switchesOf(child.pid());
    child.stop();
    return static_cast<double>(after - before) / seconds;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--idle" && i + 1 < argc)
            options.idleSeconds = std::max(1, std::atoi(argv[++i]));
        else
            options.parent = argument;
    }
    return options;
}

void measureOpening(const std::string& self, const Options& options, const ThrowawayHome& place) {
    std::map<std::string, std::vector<Sample>> samples;
    for (int run = 0; run < options.runs; ++run)
        for (const Face& face : faces)
            samples[face.label].push_back(
                measureOnce(self, face, place.home(), place.root() / "child.log"));
    const auto column = [&](const std::string& label, double Sample::*field) {
        std::vector<double> values;
        for (const auto& sample : samples[label])
            values.push_back(sample.*field);
        return values;
    };
    std::printf("platform: %s, %d runs each, alternating\n",
                samples[faces[0].label].front().platform.c_str(), options.runs);
    std::printf("%-22s %24s %26s %12s\n", "", "show to first frame (ms)",
                "process to first frame (ms)", "model (ms)");
    std::printf("%-22s %11s %12s %12s %13s %12s\n", "", "median", "best", "median", "best",
                "median");
    const double bareWindow = median(column(faces[0].label, &Sample::windowMs));
    const double bareProcess = median(column(faces[0].label, &Sample::processMs));
    for (const Face& face : faces) {
        const auto window = column(face.label, &Sample::windowMs);
        const auto process = column(face.label, &Sample::processMs);
        std::printf("%-22s %11.1f %12.1f %12.1f %13.1f %12.1f\n", face.label.c_str(),
                    median(window), best(window), median(process), best(process),
                    median(column(face.label, &Sample::modelMs)));
    }
    for (const Face& face : faces) {
        if (face.kind == "bare")
            continue;
        const double window = median(column(face.label, &Sample::windowMs));
        std::printf("%s: %.1f× the bare window's show-to-frame, %.1f× its process-to-frame; "
                    "bar %.0f ms: %s\n",
                    face.label.c_str(), window / bareWindow,
                    median(column(face.label, &Sample::processMs)) / bareProcess, barMilliseconds,
                    window <= barMilliseconds ? "met" : "NOT met");
    }
}

void measureIdle(const std::string& self, const Options& options, const ThrowawayHome& place) {
    std::printf("\nidle for %d s per face, context switches per second (all threads):\n",
                options.idleSeconds);
    std::vector<Face> idleFaces{faces[0]};
    for (const char* pane : {"Overview", "Rules", "Notch", "History", "Kept files"})
        idleFaces.push_back({std::string("settings on ") + pane, "settings", pane});
    for (const Face& face : idleFaces) {
        const double rate = wakesPerSecond(self, face, place.home(), place.root() / "idle.log",
                                           options.idleSeconds);
        std::printf("  %-26s %6.2f/s%s\n", face.label.c_str(), rate,
                    face.kind == "bare"
                        ? "  (reference)"
                        : (rate <= wakeBarPerSecond ? "  bar met" : "  bar NOT met"));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 6 && std::string(argv[1]) == "--child")
        return openWindow(argv[2], argv[3], argv[4], std::string(argv[5]) == "stay", 1, argv);
    // A home to look at or profile a child in by hand.
    if (argc == 3 && std::string(argv[1]) == "--make-home") {
        testing::DemoHome::build(UserFolders::make(argv[2]), std::chrono::system_clock::now(), 5000,
                                 44);
        return 0;
    }
    try {
        const Options options = parse(argc, argv);
        const std::string self = fs::canonical("/proc/self/exe").native();
        ThrowawayHome place(options.parent, "dustlyn-bench-settings");
        testing::DemoHome::build(place.folders(), std::chrono::system_clock::now(), 5000, 44);
        std::printf("home: 5000 history entries, 50 rules (load average %s)\n",
                    contents("/proc/loadavg").substr(0, 14).c_str());
        measureOpening(self, options, place);
        if (options.idleSeconds > 0)
            measureIdle(self, options, place);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_settings: %s\n", error.what());
        return 1;
    }
}
