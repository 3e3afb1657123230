// What `dustlyn scan` costs the user: the whole process, spawned with its output going to a
// pipe that is read to the end, against `find … -type f -printf '%s %T@ %p\n'` over the same
// folders in the same run. The home holds 100 000 files in 1 000 folders: 20 000 on the
// Desktop, 75 000 in Downloads and 5 000 in Pictures/Screenshots, with all six built-in rules
// switched on. `dustlyn scan`, `dustlyn scan --json` and find take turns (a warm-up run of
// each first), so a load that comes and goes weighs on all alike; each prints its median time
// and CPU time, and its peak resident memory (getrusage of the child). The ratios are of the
// medians. Beside them, the in-process figures: Scanner::claim (what the command uses) and
// Scanner::scan (what the running instance keeps) against the same find.
//
//   dustlyn_bench_scan [DIR] [--keep] [--reuse] [--runs N] [--dustlyn PATH] [--scan-only]
//
// The home is made in DIR/dustlyn-scan-home (or a fresh temporary folder) and removed
// afterwards unless --keep is given. --reuse takes a home an earlier --keep run left in DIR;
// --scan-only runs only the in-process scan, for profiling. Bars are printed, never asserted.

#include "bench/sweep/MeasuredRun.h"
#include "bench/sweep/ThrowawayHome.h"
#include "core/base/Date.h"
#include "core/config/ConfigurationStore.h"
#include "core/scan/Scanner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef DUSTLYN_EXECUTABLE
#define DUSTLYN_EXECUTABLE "dustlyn"
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace dustlyn;
using namespace dustlyn::bench;

constexpr int subFoldersEach = 24;  // each top folder holds 24 sub-folders: 25 folders
constexpr int filesPerFolder = 100; // 1 000 folders: 100 000 files
constexpr double timeBar = 1.0;     // scan against find; the goal is 0.8
constexpr double jsonTimeBar = 1.1;
constexpr double memoryBarBytes = 40e6;

struct Area {
    const char* folder;
    int groups; // of 25 folders
};
// 20 000, 75 000 and 5 000 files.
constexpr Area areas[] = {{"Desktop", 8}, {"Downloads", 30}, {"Pictures/Screenshots", 2}};

struct Settings {
    fs::path base;
    bool keep = false;
    bool reuse = false;
    bool scanOnly = false;
    int runs = 5;
    std::string dustlyn = DUSTLYN_EXECUTABLE;
};

// Names the built-in rules take and names none of them takes.
std::string fileName(int folder, int index) {
    char name[96];
    const int day = 1 + index % 28;
    switch (index % 10) {
    case 0:
        std::snprintf(name, sizeof name, "Screenshot 2024-05-%02d %02d-%02d-%02d.png", day,
                      folder % 24, index % 60, (folder + index) % 60);
        break;
    case 1:
        std::snprintf(name, sizeof name, "Screencast from 2024-05-%02d %04d-%02d.webm", day, folder,
                      index);
        break;
    case 2:
        std::snprintf(name, sizeof name, "package_%d.%d-1_amd64.deb", folder, index);
        break;
    case 3:
        std::snprintf(name, sizeof name, "archive-%d-%d.zip", folder, index);
        break;
    case 4:
        std::snprintf(name, sizeof name, "Report %d (%d).pdf", folder, index);
        break;
    case 5:
        std::snprintf(name, sizeof name, "notes-%d-%d.txt", folder, index);
        break;
    case 6:
        std::snprintf(name, sizeof name, "IMG_%04d%04d.JPG", folder, index);
        break;
    case 7:
        std::snprintf(name, sizeof name, "data_export_%d_%d.csv", folder, index);
        break;
    case 8:
        std::snprintf(name, sizeof name, "Screenshot-like %d %d.txt", folder, index);
        break;
    default:
        std::snprintf(name, sizeof name, "track %02d of %d.flac", index, folder);
        break;
    }
    return name;
}

void makeFile(const fs::path& file, std::int64_t size, std::int64_t modified) {
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, size) != 0)
        throw std::runtime_error("cannot create " + file.native());
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    futimens(fd, times);
    close(fd);
}

void fillFolder(const fs::path& folder, int number, std::int64_t now) {
    fs::create_directories(folder);
    for (int i = 0; i < filesPerFolder; ++i)
        makeFile(folder / fileName(number, i), (number * 7 + i * 131) % 20000,
                 now - std::int64_t(i) * 86400 / 3 - number * 60);
}

fs::path homeOf(const Settings& settings) {
    return settings.base / "home";
}

UserFolders foldersOf(const fs::path& home) {
    return UserFolders::make(home, (home / ".local/share").native(), (home / ".config").native());
}

void generateHome(const fs::path& home) {
    const std::int64_t now = unixSeconds(std::chrono::system_clock::now());
    int folderNumber = 0;
    for (const Area& area : areas) {
        for (int group = 0; group < area.groups; ++group) {
            const fs::path top = home / area.folder / ("folder " + std::to_string(group));
            fillFolder(top, folderNumber++, now);
            for (int sub = 0; sub < subFoldersEach; ++sub)
                fillFolder(top / ("sub-" + std::to_string(sub)), folderNumber++, now);
            // A few hidden folders and links, which the scan passes over.
            if (group % 8 == 0) {
                fs::create_directories(top / ".cache");
                for (int i = 0; i < 10; ++i)
                    makeFile(top / ".cache" / fileName(group, i), 100, now);
                fs::create_directory_symlink(top / "sub-0", top / "link to sub-0");
                fs::create_symlink(top / fileName(0, 0), top / "link to a file");
            }
        }
    }
    fs::create_directories(home / ".config");
    const UserFolders folders = foldersOf(home);
    Configuration config = Configuration::defaults(folders);
    for (auto& rule : config.rules)
        rule.enabled = true;
    config.onboardingCompleted = true;
    ConfigurationStore::defaultStore(folders).save(config);
}

std::vector<std::string> environmentOf(const fs::path& home) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        if (!text.starts_with("HOME=") && !text.starts_with("XDG_"))
            result.emplace_back(text);
    }
    result.push_back("HOME=" + home.native());
    result.push_back("XDG_DATA_HOME=" + (home / ".local/share").native());
    result.push_back("XDG_CONFIG_HOME=" + (home / ".config").native());
    result.push_back("XDG_RUNTIME_DIR=" + (home.parent_path() / "run").native());
    return result;
}

struct Contender {
    const char* name;
    std::vector<std::string> command;
    std::vector<double> seconds, cpu;
    long peakKiB = 0;
    std::size_t outputBytes = 0;

    void run(const std::vector<std::string>& environment) {
        const MeasuredRun measured = MeasuredRun::of(command, environment);
        if (measured.status != 0)
            throw std::runtime_error(std::string(name) + " ended with status " +
                                     std::to_string(measured.status));
        seconds.push_back(measured.seconds);
        cpu.push_back(measured.cpuSeconds);
        peakKiB = std::max(peakKiB, measured.peakResidentKiB);
        outputBytes = measured.outputBytes;
    }
    double time() const { return median(seconds); }
    double cpuTime() const { return median(cpu); }
    double peakBytes() const { return double(peakKiB) * 1024; }
};

const char* verdict(bool met) {
    return met ? "met" : "NOT met";
}

void printRow(const Contender& row, const Contender& reference) {
    std::printf("  %-22s %8.1f ms %8.1f ms %7.2f %7.2f %8.1f MB %8.1f MB\n", row.name,
                row.time() * 1000, row.cpuTime() * 1000, row.time() / reference.time(),
                row.cpuTime() / reference.cpuTime(), row.peakBytes() / 1e6,
                double(row.outputBytes) / 1e6);
}

// Whole processes, taking turns.
void compareProcesses(const Settings& settings) {
    const fs::path home = homeOf(settings);
    const auto environment = environmentOf(home);
    Contender scan{"dustlyn scan", {settings.dustlyn, "scan"}, {}, {}, 0, 0};
    Contender json{"dustlyn scan --json", {settings.dustlyn, "scan", "--json"}, {}, {}, 0, 0};
    Contender find{"find -printf",
                   {"find", (home / "Desktop").native(), (home / "Downloads").native(),
                    (home / "Pictures/Screenshots").native(), "-type", "f", "-printf",
                    "%s %T@ %p\n"},
                   {},
                   {},
                   0,
                   0};
    std::vector<Contender*> order{&scan, &json, &find};
    for (auto* contender : order) // warm-up
        contender->run(environment);
    for (auto* contender : order) {
        contender->seconds.clear();
        contender->cpu.clear();
        contender->peakKiB = 0;
    }
    for (int round = 0; round < settings.runs; ++round) {
        for (auto* contender : order)
            contender->run(environment);
        std::rotate(order.begin(), order.begin() + 1, order.end());
    }
    std::printf("whole process, output to a pipe that is read, median of %d alternating runs\n",
                settings.runs);
    std::printf("  %-22s %11s %11s %7s %7s %11s %11s\n", "", "time", "CPU", "ratio", "CPU r.",
                "peak RSS", "output");
    printRow(scan, find);
    printRow(json, find);
    printRow(find, find);
    // A spawned child starts out sharing this process's memory, and the kernel counts that
    // towards the child's peak: no figure can be below this one.
    const double floor = double(MeasuredRun::of({"true"}, environment).peakResidentKiB) * 1024;
    std::printf("  (a child's peak RSS reads at least %.1f MB here: this process's own)\n",
                floor / 1e6);
    const double scanRatio = scan.time() / find.time(), jsonRatio = json.time() / find.time();
    const double peak = std::max(scan.peakBytes(), json.peakBytes());
    std::printf("  bar: scan at most %.1fx find (goal 0.8x): %s; --json at most %.1fx: %s; "
                "peak RSS under %.0f MB: %s\n",
                timeBar, verdict(scanRatio <= timeBar), jsonTimeBar,
                verdict(jsonRatio <= jsonTimeBar), memoryBarBytes / 1e6,
                verdict(peak < memoryBarBytes));
    std::printf("summary: scan %.0f ms, --json %.0f ms, find %.0f ms: %.2fx and %.2fx "
                "(CPU %.2fx, %.2fx); peak %.1f/%.1f MB against find's %.1f MB\n",
                scan.time() * 1000, json.time() * 1000, find.time() * 1000, scanRatio, jsonRatio,
                scan.cpuTime() / find.cpuTime(), json.cpuTime() / find.cpuTime(),
                scan.peakBytes() / 1e6, json.peakBytes() / 1e6, find.peakBytes() / 1e6);
}

double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// The scanner alone, warm, in this process.
void compareInProcess(const Settings& settings) {
    const fs::path home = homeOf(settings);
    const UserFolders folders = foldersOf(home);
    const Configuration config = ConfigurationStore::defaultStore(folders).load();
    const Scanner scanner(home);
    const Date now = std::chrono::system_clock::now();
    std::int64_t claimed = 0;
    const auto claim = [&] { claimed = scanner.claim(config.rules, {}, {}, now).matchedCount(); };
    const auto scan = [&] { claimed = scanner.scan(config.rules, {}, {}, now).matchedCount; };
    claim();
    const double claimTime = bestOf(settings.runs, claim);
    const double scanTime = bestOf(settings.runs, scan);
    std::printf("in process, warm, best of %d: %lld files claimed\n", settings.runs,
                static_cast<long long>(claimed));
    std::printf("  Scanner::claim  %8.1f ms\n", claimTime * 1000);
    std::printf("  Scanner::scan   %8.1f ms\n", scanTime * 1000);
    if (settings.scanOnly)
        return;
    Contender find{"find",
                   {"find", (home / "Desktop").native(), (home / "Downloads").native(),
                    (home / "Pictures/Screenshots").native(), "-type", "f", "-printf",
                    "%s %T@ %p\n"},
                   {},
                   {},
                   0,
                   0};
    for (int i = 0; i < settings.runs; ++i)
        find.run(environmentOf(home));
    const double findTime = *std::min_element(find.seconds.begin(), find.seconds.end());
    std::printf("  find -printf    %8.1f ms (best of %d)\n", findTime * 1000, settings.runs);
    std::printf("  ratio claim/find %.2f, scan/find %.2f\n", claimTime / findTime,
                scanTime / findTime);
}

Settings parse(int argc, char** argv) {
    Settings settings;
    fs::path parent;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--keep")
            settings.keep = true;
        else if (word == "--reuse")
            settings.reuse = true;
        else if (word == "--scan-only")
            settings.scanOnly = true;
        else if (word == "--runs" && i + 1 < argc)
            settings.runs = std::max(1, std::atoi(argv[++i]));
        else if (word == "--dustlyn" && i + 1 < argc)
            settings.dustlyn = argv[++i];
        else if (!word.starts_with("-"))
            parent = word;
        else
            throw std::runtime_error("unknown option " + word);
    }
    if (!parent.empty()) {
        settings.base = parent / "dustlyn-scan-home";
    } else {
        std::string pattern =
            (ThrowawayHome::defaultParent() / "dustlyn-bench-scan-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        settings.base = pattern;
    }
    return settings;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Settings settings = parse(argc, argv);
        if (settings.reuse && fs::is_directory(homeOf(settings) / "Downloads")) {
            std::printf("reusing the home under %s\n", settings.base.c_str());
        } else {
            fs::remove_all(settings.base);
            std::printf("making 100 000 files in 1 000 folders under %s\n", settings.base.c_str());
            generateHome(homeOf(settings));
        }
        fs::create_directories(settings.base / "run");
        fs::permissions(settings.base / "run", fs::perms::owner_all, fs::perm_options::replace);
        if (!settings.scanOnly)
            compareProcesses(settings);
        compareInProcess(settings);
        if (!settings.keep)
            fs::remove_all(settings.base);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_scan: %s\n", error.what());
        return 1;
    }
}
