// Times Scanner::scan with the six built-in Linux rules over a generated tree of 100 000
// files in 1 000 folders, against `find DIR -type f -printf '%s %T@ %p\n'` over the same
// tree in the same run, both warm, best of five, and prints the ratio.
//
//   dustlyn_bench_scan [DIR] [--keep] [--reuse] [--scan-only]
//
// The tree is made in DIR/dustlyn-scan-tree (or a fresh temporary folder) and removed
// afterwards unless --keep is given. --reuse takes a tree an earlier --keep run left in DIR
// (handy under a profiler, where making the tree would swamp the profile); --scan-only
// leaves find out, for profiling the scan alone.

#include "core/base/Date.h"
#include "core/config/DefaultRules.h"
#include "core/scan/Scanner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace dustlyn;

constexpr int topFolders = 40;
constexpr int subFoldersEach = 24;  // 40 + 40 * 24 = 1 000 folders
constexpr int filesPerFolder = 100; // in the 1 000 folders: 100 000 files
constexpr int runs = 5;

// Names the built-in rules take and names none of the specific ones take.
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

void generateTree(const fs::path& root) {
    const std::int64_t now = unixSeconds(std::chrono::system_clock::now());
    int folderNumber = 0;
    auto fillFolder = [&](const fs::path& folder) {
        fs::create_directories(folder);
        for (int i = 0; i < filesPerFolder; ++i)
            makeFile(folder / fileName(folderNumber, i), (folderNumber * 7 + i * 131) % 20000,
                     now - std::int64_t(i) * 86400 / 3 - folderNumber * 60);
        ++folderNumber;
    };
    for (int top = 0; top < topFolders; ++top) {
        const fs::path topFolder = root / ("folder " + std::to_string(top));
        fillFolder(topFolder);
        for (int sub = 0; sub < subFoldersEach; ++sub)
            fillFolder(topFolder / ("sub-" + std::to_string(sub)));
        // A few hidden folders and links, which the scan passes over.
        if (top % 8 == 0) {
            fs::create_directories(topFolder / ".cache");
            for (int i = 0; i < 10; ++i)
                makeFile(topFolder / ".cache" / fileName(top, i), 100, now);
            fs::create_directory_symlink(topFolder / "sub-0", topFolder / "link to sub-0");
            fs::create_symlink(topFolder / fileName(0, 0), topFolder / "link to a file");
        }
    }
}

// The six built-in rules, every one switched on and pointed at `root`.
std::vector<PurgeRule> builtInRules(const fs::path& root) {
    std::vector<PurgeRule> rules = DefaultRules::all(UserFolders::make(root.parent_path()));
    for (auto& rule : rules) {
        rule.enabled = true;
        rule.folders = {root.native()};
    }
    return rules;
}

// Runs `work` and returns the seconds it took.
using TimedWork = std::function<double()>;

TimedWork timed(std::function<void()> work) {
    return [work = std::move(work)] {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
}

struct Timings {
    double first = 1e300;
    double second = 1e300;
};

// A warm-up run of each, then the best of `runs` each. The two take turns, so that a load
// that comes and goes on the machine weighs on both alike.
Timings bestOfAlternating(const TimedWork& first, const TimedWork& second) {
    first();
    second();
    Timings best;
    for (int i = 0; i < runs; ++i) {
        best.first = std::min(best.first, first());
        best.second = std::min(best.second, second());
    }
    return best;
}

void runFind(const fs::path& root) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "find", rootText = root.native(), type = "-type", f = "f",
                printf = "-printf", format = "%s %T@ %p\n";
    char* argv[] = {program.data(), rootText.data(), type.data(), f.data(),
                    printf.data(),  format.data(),   nullptr};
    pid_t child = 0;
    const int error = posix_spawnp(&child, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        throw std::runtime_error("find failed");
}

bool hasOption(int argc, char** argv, const std::string& option) {
    return std::find(argv + 1, argv + argc, option) != argv + argc;
}

fs::path makeBase(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            return fs::path(argv[i]) / "dustlyn-scan-tree";
    std::string pattern = (fs::temp_directory_path() / "dustlyn-bench-scan-XXXXXX").native();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const bool keep = hasOption(argc, argv, "--keep");
        const fs::path base = makeBase(argc, argv);
        const fs::path root = fs::weakly_canonical(base / "tree");
        if (hasOption(argc, argv, "--reuse") && fs::is_directory(root)) {
            std::printf("reusing the tree under %s\n", root.c_str());
        } else {
            fs::remove_all(root);
            std::printf("generating %d files in %d folders under %s\n",
                        topFolders * (subFoldersEach + 1) * filesPerFolder,
                        topFolders * (subFoldersEach + 1), root.c_str());
            generateTree(root);
        }

        const Scanner scanner(root.parent_path());
        const auto rules = builtInRules(root);
        const Date now = std::chrono::system_clock::now();
        ScanReport report;
        // The previous run's report is dropped before the clock starts: freeing it is not
        // part of scanning.
        const auto scan = [&] {
            report = ScanReport();
            const auto start = std::chrono::steady_clock::now();
            report = scanner.scan(rules, {}, {}, now);
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        const Timings best = hasOption(argc, argv, "--scan-only")
                                 ? bestOfAlternating(scan, timed([] {}))
                                 : bestOfAlternating(scan, timed([&] { runFind(root); }));
        const double scanTime = best.first;
        const double findTime = best.second;

        std::printf("scan: %lld files claimed in %zu results, %zu due\n",
                    static_cast<long long>(report.matchedCount), report.results.size(),
                    report.eligibleFiles().size());
        std::printf("Scanner::scan  %8.1f ms (best of %d)\n", scanTime * 1000, runs);
        std::printf("find -printf   %8.1f ms (best of %d)\n", findTime * 1000, runs);
        std::printf("ratio scan/find %.2f\n", scanTime / findTime);
        if (!keep)
            fs::remove_all(base);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "dustlyn_bench_scan: %s\n", error.what());
        return 1;
    }
}
