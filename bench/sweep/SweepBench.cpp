// dustlyn_bench_sweep [FOLDER] [--runs N] [--files N] [--dustlyn PATH]: one sweep of due
// files as the user waits for it.
//
// In a throw-away home (under FOLDER, default $TMPDIR or /tmp), N small files (1 000) a day
// old lie on the Desktop and one rule ("*.txt", modification date, 60 s) claims them all.
// The whole `dustlyn sweep` process is timed, spawned with its output going to a pipe that
// is read to the end, against `mv -t DEST FILE...` of the same files into a folder on the
// same file system, taking turns (after one untimed run of each), 5 times each (--runs),
// the disk flushed before each timed step. Four variants: N files with an empty history and
// with 4 999 entries in it (the cap is 5 000, so the append then trims), and a single file
// with either history. Printed: median, best and worst time, median CPU time and the peak
// resident memory of both, and the ratio of the medians. Beside them, the in-process figure:
// AppModel::sweepNow of the same N files, built as the command builds its model.
//
// Bars, printed, never asserted: the sweep of N files at most 2.5x mv with either history;
// one file costing the same with 4 999 entries as with none. Exits 1 only when a step did
// not do its work (a file left behind, a history without the sweep's entries).

#include "app/model/AppModel.h"
#include "bench/sweep/MeasuredRun.h"
#include "bench/sweep/SweepStage.h"
#include "core/config/ConfigurationStore.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef DUSTLYN_EXECUTABLE
#define DUSTLYN_EXECUTABLE "dustlyn"
#endif

namespace {

using namespace dustlyn;
using namespace dustlyn::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr double ratioBar = 2.5;
constexpr std::int64_t historyCap = 5000;
constexpr int prefilledEntries = 4999;

void fail(const std::string& what) {
    throw std::runtime_error(what);
}

struct Settings {
    fs::path parent = ThrowawayHome::defaultParent();
    std::string dustlyn = DUSTLYN_EXECUTABLE;
    int runs = 5;
    int files = 1000;
};

// What one side of a comparison cost over its runs.
struct Side {
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    long peakKiB = 0;

    void add(const MeasuredRun& run) {
        seconds.push_back(run.seconds);
        cpuSeconds.push_back(run.cpuSeconds);
        peakKiB = std::max(peakKiB, run.peakResidentKiB);
    }
    double medianMs() const { return median(seconds) * 1000; }
    double bestMs() const { return *std::min_element(seconds.begin(), seconds.end()) * 1000; }
    double worstMs() const { return *std::max_element(seconds.begin(), seconds.end()) * 1000; }
};

struct Comparison {
    Side sweep;
    Side mv;
    double ratio() const { return sweep.medianMs() / mv.medianMs(); }
};

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

MeasuredRun sweepOnce(const Settings& settings, const SweepStage& stage) {
    stage.resetHistory();
    ::sync();
    const MeasuredRun run =
        MeasuredRun::of({settings.dustlyn, "sweep"}, stage.place().environment());
    if (run.status != 0 || run.outputBytes == 0)
        fail("dustlyn sweep ended with status " + std::to_string(run.status));
    const auto expected = std::min<std::int64_t>(
        static_cast<std::int64_t>(stage.earlierEntries() + stage.names().size()), historyCap);
    if (static_cast<std::int64_t>(stage.historySize()) != expected)
        fail("the history file does not hold the sweep's entries");
    stage.bringBack(stage.quarantine());
    return run;
}

MeasuredRun moveOnce(const SweepStage& stage) {
    ::sync();
    const MeasuredRun run = MeasuredRun::of(stage.moveCommand(), stage.place().environment());
    if (run.status != 0)
        fail("mv ended with status " + std::to_string(run.status));
    stage.bringBack(stage.moved());
    return run;
}

Comparison compare(const Settings& settings, const SweepStage& stage) {
    sweepOnce(settings, stage); // warm-up: the loader's and the disk's caches
    moveOnce(stage);
    Comparison comparison;
    for (int i = 0; i < settings.runs; ++i) {
        comparison.sweep.add(sweepOnce(settings, stage));
        comparison.mv.add(moveOnce(stage));
    }
    return comparison;
}

// AppModel::sweepNow alone, in milliseconds: what the process does after start-up.
std::vector<double> inProcess(const Settings& settings, const SweepStage& stage) {
    std::vector<double> times;
    for (int i = 0; i < settings.runs; ++i) {
        stage.resetHistory();
        AppModel model(
            ConfigurationStore::defaultStore(stage.folders()), std::nullopt,
            Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
            nullptr, nullptr, AppModelServices::standard(stage.folders()));
        ::sync();
        const auto start = Steady::now();
        const auto [moved, purged] = model.sweepNow(SweepSource::user);
        times.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        if (moved.movedCount != static_cast<std::int64_t>(stage.names().size()))
            fail("the model moved " + std::to_string(moved.movedCount) + " files");
        stage.bringBack(stage.quarantine());
    }
    return times;
}

void printSide(const char* label, const Side& side) {
    std::printf("  %-22s %8.1f ms %8.1f ms %8.1f ms %8.1f ms %8.1f MB\n", label, side.medianMs(),
                side.bestMs(), side.worstMs(), median(side.cpuSeconds) * 1000,
                double(side.peakKiB) / 1024);
}

void printComparison(const char* title, const Comparison& comparison) {
    std::printf("%s\n  %-22s %11s %11s %11s %11s %11s\n", title, "", "median", "best", "worst",
                "median cpu", "peak rss");
    printSide("dustlyn sweep", comparison.sweep);
    printSide("mv (reference)", comparison.mv);
    std::printf("  ratio of the medians   %.2fx\n", comparison.ratio());
}

// The N-file sweep of one history, with its in-process figure and its bar.
Comparison manyFiles(const Settings& settings, int earlier) {
    const SweepStage stage(settings.parent, settings.files, earlier);
    const Comparison comparison = compare(settings, stage);
    const std::string title = "sweep of " + std::to_string(settings.files) + " files, history " +
                              (earlier ? "at " + std::to_string(earlier) + " entries:" : "empty:");
    printComparison(title.c_str(), comparison);
    const std::vector<double> model = inProcess(settings, stage);
    std::printf("  in process, AppModel::sweepNow: median %.1f ms, best %.1f ms\n", median(model),
                *std::min_element(model.begin(), model.end()));
    std::printf("  bar: at most %.1fx mv: %s\n", ratioBar,
                comparison.ratio() <= ratioBar ? "met" : "NOT met");
    return comparison;
}

Comparison oneFile(const Settings& settings, int earlier) {
    const SweepStage stage(settings.parent, 1, earlier);
    const Comparison comparison = compare(settings, stage);
    const std::string title = std::string("sweep of 1 file, history ") +
                              (earlier ? "at " + std::to_string(earlier) + " entries:" : "empty:");
    printComparison(title.c_str(), comparison);
    return comparison;
}

int positiveNumber(const char* text, const char* option) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 1 || value > 100000)
        fail(std::string(option) + " needs a whole number from 1 to 100000, not '" + text + "'");
    return static_cast<int>(value);
}

Settings parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if ((word == "--runs" || word == "--files") && i + 1 < argc)
            (word == "--runs" ? settings.runs : settings.files) =
                positiveNumber(argv[++i], word.c_str());
        else if (word == "--dustlyn" && i + 1 < argc)
            settings.dustlyn = argv[++i];
        else if (!word.starts_with("-"))
            settings.parent = word;
        else
            fail("unknown option " + word +
                 " (use [FOLDER] [--runs N] [--files N] [--dustlyn PATH])");
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Settings settings = parse(argc, argv);
        // The in-process model's timers need an application object, as in the command line.
        int qtArgc = 1;
        char name[] = "dustlyn_bench_sweep";
        char* qtArgv[] = {name, nullptr};
        QCoreApplication app(qtArgc, qtArgv);
        std::printf("dustlyn sweep against mv, whole processes, %d runs each taking turns, in %s "
                    "(load average %s)\n",
                    settings.runs, settings.parent.c_str(), loadAverage().c_str());
        const Comparison empty = manyFiles(settings, 0);
        const Comparison full = manyFiles(settings, prefilledEntries);
        const Comparison single = oneFile(settings, 0);
        const Comparison singleFull = oneFile(settings, prefilledEntries);
        const double same = singleFull.sweep.medianMs() / single.sweep.medianMs();
        std::printf("one file with %d history entries against none: %.2fx (the same is 1.0)\n",
                    prefilledEntries, same);
        std::printf("load average at the end %s\n", loadAverage().c_str());
        const bool met = empty.ratio() <= ratioBar && full.ratio() <= ratioBar;
        std::printf("summary: sweep of %d files %.2fx mv (history empty), %.2fx (%d entries), "
                    "bar %.1fx %s; 1 file %.1f / %.1f ms (history empty / full) against mv "
                    "%.1f ms; peak %.1f MB against mv's %.1f MB\n",
                    settings.files, empty.ratio(), full.ratio(), prefilledEntries, ratioBar,
                    met ? "met" : "NOT met", single.sweep.medianMs(), singleFull.sweep.medianMs(),
                    single.mv.medianMs(), double(full.sweep.peakKiB) / 1024,
                    double(full.mv.peakKiB) / 1024);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_sweep: %s\n", error.what());
        return 1;
    }
}
