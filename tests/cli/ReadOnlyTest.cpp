#include "tests/cli/CliHome.h"
#include "tests/cli/JsonShape.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Everything under a folder: each item's inode, modification time and content, so that two
// are equal only when nothing was created, removed, rewritten or replaced, even with the same
// bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> items;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        items[entry.path().native()] =
            std::to_string(info.st_ino) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
            std::to_string(info.st_mtim.tv_nsec) +
            (entry.is_regular_file() && !entry.is_symlink() ? " " + readFile(entry.path()) : "");
    }
    return items;
}

void expectEachWritesNothing(const CliHome& home) {
    for (const std::vector<std::string>& words : {std::vector<std::string>{"quarantine"},
                                                  {"quarantine", "--json"},
                                                  {"history"},
                                                  {"history", "--json"},
                                                  {"rules"},
                                                  {"rules", "--json"},
                                                  {"status"},
                                                  {"status", "--json"},
                                                  {"scan"},
                                                  {"scan", "--json"},
                                                  {"scan", "--at", "2100-01-01T00:00:00Z"}}) {
        SCOPED_TRACE(words.front() + " " + words.back());
        const auto before = snapshot(home.home());
        home.ok(words);
        EXPECT_EQ(snapshot(home.home()), before);
    }
}

// In an empty home, beside a configuration, history and quarantine (with a timer of a file
// gone, which only a sweep may drop), and beside damaged files.
TEST(ReadOnly, CommandsWriteNothing) {
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        CliHome home;
        if (kind == 1) {
            home.writeConfig({{"rules", {globRule("*.txt", "~/Desktop", 60)}},
                              {"pins", {home.desk("note-0002.txt")}},
                              {"timers", {{home.desk("gone.txt"), "2025-03-01T09:30:00Z"}}}});
            makeOldFiles(home.desktop(), 3);
            writeFile(home.quarantine() / "earlier.txt", "earlier");
            writeFile(home.historyFile(),
                      json::array({historyEntry("5B1D7E0A-3C2F-4A8B-9D6E-1F2A3B4C5D6E",
                                                "quarantined", home.desktop() / "earlier.txt",
                                                home.quarantine() / "earlier.txt")})
                          .dump());
        } else if (kind == 2) {
            writeFile(home.configFile(), "{\"rules\": 42}");
            writeFile(home.historyFile(), std::string("\x00\x01[{", 4));
            writeFile(home.supportDirectory() / "sweep-journal.json", "{not json");
        }
        expectEachWritesNothing(home);
        EXPECT_EQ(fs::exists(home.supportDirectory()), kind > 0);
    }
}

} // namespace
} // namespace dustlyn::testing
