// dustlyn-store-probe: one store write in a process of its own, so that tests can inject
// system-call faults and kills into it with strace and then look at what is on disk.
//
//   dustlyn-store-probe history FILE   appends three entries to the history FILE
//   dustlyn-store-probe config FILE    saves FILE's configuration with emptyTrash flipped
//                                      and one more kept file
//
// What is written depends only on what FILE held before, so a test can compute the new
// bytes with a run of its own. Exit status: 0 written (or, for the history, a failure the
// store does not report), 1 the configuration could not be saved, 2 wrong arguments.
#include "core/base/FileError.h"
#include "core/config/ConfigurationStore.h"
#include "core/history/HistoryStore.h"

#include <cstdio>
#include <string>

namespace {

using namespace dustlyn;

// Entry `n` of a history: its id and date follow from its position alone.
HistoryEntry numberedEntry(std::size_t n) {
    char id[40];
    std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012zu", n);
    const std::string name = "Screenshot " + std::to_string(n) + ".png";
    return {*Uuid::parse(id),
            dateFromUnix(1772356500 + std::int64_t(n)),
            HistoryEntry::Kind::quarantined,
            "/home/probe/Desktop/" + name,
            "/home/probe/.local/share/Dustlyn/Quarantine/" + name,
            std::int64_t(1000 + n),
            "Screenshots",
            *Uuid::parse("0D9C8B7A-6F5E-4D3C-8B2A-190817263544")};
}

int appendHistory(const char* file) {
    const HistoryStore store(file, 5000);
    const std::size_t count = store.load().size();
    std::vector<HistoryEntry> entries;
    for (std::size_t i = 0; i < 3; ++i)
        entries.push_back(numberedEntry(count + i));
    store.append(entries);
    return 0;
}

int saveConfiguration(const char* file) {
    const auto folders =
        UserFolders::make("/home/probe", "/home/probe/.local/share", "/home/probe/.config");
    const ConfigurationStore store(file, Configuration::defaults(folders));
    Configuration configuration = store.load();
    configuration.emptyTrash = !configuration.emptyTrash;
    configuration.pins.push_back("~/Desktop/kept " + std::to_string(configuration.pins.size()));
    try {
        store.save(configuration);
    } catch (const FileError& error) {
        std::fprintf(stderr, "dustlyn-store-probe: %s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "history")
        return appendHistory(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "config")
        return saveConfiguration(argv[2]);
    std::fprintf(stderr, "usage: dustlyn-store-probe history|config FILE\n");
    return 2;
}
