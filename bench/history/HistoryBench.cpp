// dustlyn_bench_history [FOLDER]: the cost of one sweep's history append at the cap.
//
// A 4 999-entry history file is written in a fresh folder (under FOLDER, default $TMPDIR
// or /tmp); HistoryStore::append of 3 entries is timed 20 times, the 4 999-entry file put
// back between runs. As references on the same file in the same run: `cp` of it, and a
// plain read of its bytes with an atomic, flushed write of them (the same durability the
// append pays for). Prints best and median of each, the ratios, and whether the append
// stays under 30 ms.
#include "core/base/AtomicFile.h"
#include "core/history/HistoryStore.h"
#include "core/history/HistoryTail.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace dustlyn;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int runs = 20;
constexpr double barMilliseconds = 30;

struct Timing {
    double best = 0;
    double median = 0;
    double medianCpu = 0; // this thread's processor time: what a busy machine does not inflate
};

double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return (values[runs / 2 - 1] + values[runs / 2]) / 2;
}

Timing measure(const std::function<void()>& prepare, const std::function<void()>& work) {
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const double cpuStart = cpuMilliseconds();
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpu.push_back(cpuMilliseconds() - cpuStart);
    }
    return {*std::min_element(times.begin(), times.end()), median(times), median(cpu)};
}

HistoryEntry entry(int n) {
    const std::string name =
        "Screenshot 2026-03-01 at 09." + std::to_string(n % 60) + "." + std::to_string(n) + ".png";
    return {Uuid::random(),
            dateFromUnix(1772356500 + 60 * std::int64_t(n)),
            n % 7 == 0 ? HistoryEntry::Kind::deleted : HistoryEntry::Kind::quarantined,
            "/home/ann/Desktop/" + name,
            "/home/ann/.local/share/Dustlyn/Quarantine/" + name,
            100000 + n,
            n % 7 == 0 ? "" : "Screenshots",
            n % 7 == 0 ? std::nullopt : std::optional<Uuid>(Uuid::random())};
}

fs::path makeFolder(const fs::path& parent) {
    std::string pattern = (parent / "dustlyn-bench-history-XXXXXX").native();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder in " + parent.native());
    return pattern;
}

void runCp(const fs::path& from, const fs::path& to) {
    const char* argv[] = {"cp", from.c_str(), to.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "cp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("cannot run cp");
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("cp failed");
}

std::string loadAverage() {
    const auto text = readWholeFile("/proc/loadavg");
    return text ? text->substr(0, text->find(' ')) + "\n" : "unknown\n";
}

void print(const char* what, Timing t) {
    std::printf("  %-40s best %7.2f ms   median %7.2f ms   median cpu %6.2f ms\n", what, t.best,
                t.median, t.medianCpu);
}

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path parent = argc > 1 ? fs::path(argv[1]) : fs::path(tmp && *tmp ? tmp : "/tmp");
    const fs::path folder = makeFolder(parent);
    const HistoryStore store(folder / "history.json", 5000);

    std::vector<HistoryEntry> entries;
    entries.reserve(4999);
    for (int n = 0; n < 4999; ++n)
        entries.push_back(entry(n));
    store.save(entries);
    const std::string original = *readWholeFile(store.url());
    const std::vector<HistoryEntry> added = {entry(10000), entry(10001), entry(10002)};
    const auto restore = [&] { writeFileAtomically(store.url(), original); };

    std::size_t count = 0;
    const Timing append = measure(restore, [&] { count = store.append(added).size(); });
    if (count != 5000 || store.load().size() != 5000) {
        std::fprintf(stderr, "append gave %zu entries, not 5000\n", count);
        return 1;
    }
    const Timing cp = measure([] {}, [&] { runCp(store.url(), folder / "copy.json"); });
    const Timing rewrite = measure(restore, [&] {
        writeFileAtomically(folder / "rewrite.json", *readWholeFile(store.url()));
    });
    // A sweep of 1 000 files at the cap: the tail path that drops the oldest entries.
    std::vector<HistoryEntry> swept;
    for (int n = 0; n < 1000; ++n)
        swept.push_back(entry(20000 + n));
    std::optional<bool> tailed;
    const Timing sweepAppend = measure(restore, [&] { tailed = store.appendToTail(swept); });
    const std::string afterSweep = *readWholeFile(store.url());
    if (!tailed.value_or(false) || HistoryTail::countEntries(afterSweep) != 5000) {
        std::fprintf(stderr, "the sweep's append did not leave 5000 entries\n");
        return 1;
    }
    const Timing sweepRewrite =
        measure([] {}, [&] { writeFileAtomically(folder / "rewrite.json", afterSweep); });
    const std::string sweptOnly = HistoryStore::encode(swept);
    const Timing sweepEmpty =
        measure([] {}, [&] { writeFileAtomically(folder / "rewrite.json", sweptOnly); });
    std::vector<HistoryEntry> decoded;
    const Timing decode = measure([] {}, [&] { decoded = HistoryStore::decode(original); });
    const Timing encode = measure([] {}, [&] { HistoryStore::encode(decoded); });

    std::printf("history append: 3 entries onto %zu (%zu bytes), %d runs, in %s\n", entries.size(),
                original.size(), runs, folder.c_str());
    print("HistoryStore::append", append);
    print("  of which decode", decode);
    print("  of which encode", encode);
    print("reference: cp of the file", cp);
    print("reference: read + atomic flushed write", rewrite);
    print("sweep of 1000 at the cap (appendToTail)", sweepAppend);
    print("reference: atomic write of its result", sweepRewrite);
    print("reference: atomic write of 1000 entries", sweepEmpty);
    std::printf("ratio append / cp: %.2f (median %.2f)\n", append.best / cp.best,
                append.median / cp.median);
    std::printf("ratio append / read + atomic write: %.2f (median %.2f)\n",
                append.best / rewrite.best, append.median / rewrite.median);
    std::printf("median append under %.0f ms: %s (best %s)\n", barMilliseconds,
                append.median < barMilliseconds ? "yes" : "NO",
                append.best < barMilliseconds ? "under" : "over");
    std::printf("machine load (1 min): %s", loadAverage().c_str());

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
