// dustlyn_bench_sweep [FOLDER] [--runs N] [--files N]: one sweep of due files, end to end.
//
// In a throw-away home (under FOLDER, default $TMPDIR or /tmp), N small files (1 000) with
// modification dates a day old lie in ~/Desktop, and the configuration's one rule ("*.txt",
// modification date, 60 s) claims them all. The model is built as a one-off command builds
// it (real mover and deleter, no watcher) and AppModel::sweepNow is timed: both scans, the
// moves, the journal and the history append. As the reference, the same files, back on the
// Desktop, are moved by one `mv -t DEST FILE...` into a folder on the same file system.
// Each side runs 5 times (--runs), alternating, with a fresh model and history each time
// and the disk flushed before each timed step; between steps the files are renamed back
// and made a day old again (making 1 000 files costs far more than moving them here). A
// second variant starts with 4 999 entries in the history (the cap is 5 000): the append
// then rewrites the fullest file and trims it.
//
// Prints best, median and worst of each, the ratio, and whether the median sweep stays
// under 1 s. Exits 1 only when a step did not do its work (a file left behind).

#include "app/model/AppModel.h"
#include "bench/sweep/ChildProcess.h"
#include "bench/sweep/ThrowawayHome.h"
#include "core/base/FileError.h"
#include "core/config/ConfigurationStore.h"
#include "core/history/HistoryStore.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace dustlyn;
using namespace dustlyn::bench;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

void fail(const std::string& what) {
    throw std::runtime_error(what);
}

constexpr double barMilliseconds = 1000;
constexpr std::int64_t historyCap = 5000;
constexpr int prefilledEntries = 4999;

struct Settings {
    fs::path parent = ThrowawayHome::defaultParent();
    int runs = 5;
    int files = 1000;
};

struct Timing {
    double best = 0;
    double median = 0;
    double worst = 0;
};

Timing summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {times.front(), median, times.back()};
}

double millisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void setOldModificationDate(const fs::path& file) {
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 86400, 0}};
    if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0)
        throw FileError::fromErrno(errno);
}

// `count` file names note-0000.txt...
std::vector<std::string> fileNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "note-%04d.txt", i);
        names.emplace_back(name);
    }
    return names;
}

// Files of 64 bytes each, modified a day ago.
void makeFiles(const fs::path& folder, const std::vector<std::string>& names) {
    fs::create_directories(folder);
    const std::string content(63, 'x');
    for (const auto& name : names) {
        std::ofstream out(folder / name);
        out << content << '\n';
        out.close();
        if (!out)
            fail("cannot write " + (folder / name).native());
        setOldModificationDate(folder / name);
    }
}

// Puts the files back where the next timed step expects them, a day old again (the
// quarantine stamps them with the moment of the move). Renames are cheap where making
// files is not, and every run then works on the same files.
void bringBack(const std::vector<std::string>& names, const fs::path& from, const fs::path& to) {
    for (const auto& name : names) {
        if (::rename((from / name).c_str(), (to / name).c_str()) != 0) {
            const int code = errno;
            fail("cannot move " + (from / name).native() +
                 " back: " + FileError::fromErrno(code).what());
        }
        setOldModificationDate(to / name);
    }
}

std::size_t entriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

PurgeRule claimingRule() {
    PurgeRule rule;
    rule.id = Uuid::random();
    rule.name = "Old notes";
    rule.folders = {"~/Desktop"};
    rule.matchers = {FileMatcher::glob("*.txt")};
    rule.ageThreshold = 60;
    rule.ageBasis = AgeBasis::modification;
    return rule;
}

std::vector<HistoryEntry> earlierHistory(const UserFolders& folders, int count) {
    std::vector<HistoryEntry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    const std::string desktop = (folders.home / "Desktop").native();
    const std::string quarantine = (folders.supportDirectory() / "Quarantine").native();
    const Uuid sweepID = Uuid::random();
    for (int i = 0; i < count; ++i) {
        const std::string name = "Screenshot 2026-03-01 at 09.00." + std::to_string(i) + ".png";
        entries.push_back({Uuid::random(), dateFromUnix(1772355600 + 60 * std::int64_t(i)),
                           HistoryEntry::Kind::quarantined, desktop + "/" + name,
                           quarantine + "/" + name, 250000 + i, "Screenshots", sweepID});
    }
    return entries;
}

// One home for a variant: the files on its Desktop and the one rule that claims them.
struct Stage {
    ThrowawayHome place;
    UserFolders folders;
    std::vector<std::string> names;
    std::vector<HistoryEntry> earlier;

    fs::path desktop() const { return place.home() / "Desktop"; }
    fs::path quarantine() const { return folders.supportDirectory() / "Quarantine"; }
    fs::path moved() const { return place.root() / "moved"; }

    Stage(const Settings& settings, int prefill)
        : place(settings.parent, "dustlyn-bench-sweep"), folders(place.folders()),
          names(fileNames(settings.files)), earlier(earlierHistory(folders, prefill)) {
        makeFiles(desktop(), names);
        fs::create_directories(moved());
        Configuration config = Configuration::defaults(folders);
        config.rules = {claimingRule()};
        config.onboardingCompleted = true;
        ConfigurationStore::defaultStore(folders).save(config);
    }
};

void resetHistory(const Stage& stage) {
    const HistoryStore store = HistoryStore::defaultStore(stage.folders);
    std::error_code ignored;
    fs::remove(store.url(), ignored);
    if (!stage.earlier.empty())
        store.save(stage.earlier);
}

// One sweep of the Desktop's files, in milliseconds; the files end back on the Desktop.
double timeOneSweep(const Stage& stage) {
    resetHistory(stage);
    AppModel model(
        ConfigurationStore::defaultStore(stage.folders), std::nullopt,
        Purger(std::make_shared<FileManagerMover>(), std::make_shared<FileManagerDeleter>()),
        nullptr, nullptr, AppModelServices::standard(stage.folders));
    ::sync();
    const auto start = Steady::now();
    const auto [moved, purged] = model.sweepNow(SweepSource::user);
    const double elapsed = millisecondsSince(start);

    const auto count = static_cast<std::int64_t>(stage.names.size());
    if (moved.movedCount != count || moved.failedCount != 0 || entriesIn(stage.desktop()) != 0)
        fail("the sweep moved " + std::to_string(moved.movedCount) + " of " +
             std::to_string(count) + " files (" + std::to_string(moved.failedCount) + " failed)");
    const auto expectedHistory =
        std::min<std::int64_t>(static_cast<std::int64_t>(stage.earlier.size()) + count, historyCap);
    if (static_cast<std::int64_t>(HistoryStore::defaultStore(stage.folders).load().size()) !=
        expectedHistory)
        fail("the history file does not hold the sweep's entries");
    bringBack(stage.names, stage.quarantine(), stage.desktop());
    return elapsed;
}

// One `mv -t` of the same files into a folder on the same file system, in milliseconds;
// the files end back on the Desktop.
double timeOneMove(const Stage& stage) {
    std::vector<std::string> arguments = {"mv", "-t", stage.moved().native()};
    for (const auto& name : stage.names)
        arguments.push_back((stage.desktop() / name).native());
    ::sync();
    const auto start = Steady::now();
    const int status = ChildProcess::run(arguments);
    const double elapsed = millisecondsSince(start);
    if (status != 0 || entriesIn(stage.moved()) != stage.names.size())
        fail("mv failed with status " + std::to_string(status));
    bringBack(stage.names, stage.moved(), stage.desktop());
    return elapsed;
}

void printTiming(const char* label, const Timing& timing) {
    std::printf("  %-22s %9.1f ms %9.1f ms %9.1f ms\n", label, timing.best, timing.median,
                timing.worst);
}

void runVariant(const Settings& settings, const char* title, int prefill) {
    const Stage stage(settings, prefill);
    std::vector<double> sweeps, moves;
    for (int i = 0; i < settings.runs; ++i) {
        sweeps.push_back(timeOneSweep(stage));
        moves.push_back(timeOneMove(stage));
    }
    const Timing sweep = summarise(sweeps);
    const Timing move = summarise(moves);
    std::printf("%s\n", title);
    std::printf("  %-22s %12s %12s %12s\n", "", "best", "median", "worst");
    printTiming("AppModel::sweepNow", sweep);
    printTiming("mv -t (reference)", move);
    std::printf("  %-22s %9.1f x  %9.1f x\n", "ratio sweep/mv", sweep.best / move.best,
                sweep.median / move.median);
    std::printf("  bar: sweep of %d files under %.0f ms (median): %s\n", settings.files,
                barMilliseconds, sweep.median < barMilliseconds ? "met" : "NOT met");
}

int positiveNumber(const char* text, const char* option) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 1 || value > 1000000)
        fail(std::string(option) + " needs a positive whole number, not '" + text + "'");
    return static_cast<int>(value);
}

Settings parse(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if ((word == "--runs" || word == "--files") && i + 1 < argc)
            (word == "--runs" ? settings.runs : settings.files) =
                positiveNumber(argv[++i], word.c_str());
        else if (!word.starts_with("-"))
            settings.parent = word;
        else
            fail("unknown option " + word + " (use [FOLDER] [--runs N] [--files N])");
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Settings settings = parse(argc, argv);
        // The model's timers need an application object, as in the command line.
        int qtArgc = 1;
        char name[] = "dustlyn_bench_sweep";
        char* qtArgv[] = {name, nullptr};
        QCoreApplication app(qtArgc, qtArgv);
        std::printf("sweep of %d due files, %d runs each, in %s (load average %s)\n",
                    settings.files, settings.runs, settings.parent.c_str(), loadAverage().c_str());
        runVariant(settings, "history empty:", 0);
        runVariant(settings,
                   ("history at " + std::to_string(prefilledEntries) + " entries:").c_str(),
                   prefilledEntries);
        std::printf("load average at the end %s\n", loadAverage().c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_sweep: %s\n", error.what());
        return 1;
    }
}
