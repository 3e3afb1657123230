#pragma once

#include "bench/sweep/ThrowawayHome.h"
#include "core/history/HistoryEntry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dustlyn::bench {

// A throw-away home for timing sweeps: `files` small files a day old on its Desktop, one rule
// ("*.txt" by modification date, 60 s) that claims them all, and a history of `earlier`
// entries put back before every sweep. Between timed steps the files are renamed back and
// made a day old again: making them costs far more than moving them.
class SweepStage {
public:
    SweepStage(const std::filesystem::path& parent, int files, int earlier);

    const ThrowawayHome& place() const { return place_; }
    const UserFolders& folders() const { return folders_; }
    const std::vector<std::string>& names() const { return names_; }
    std::size_t earlierEntries() const { return earlier_.size(); }

    std::filesystem::path desktop() const { return place_.home() / "Desktop"; }
    std::filesystem::path quarantine() const { return folders_.supportDirectory() / "Quarantine"; }
    // Where `mv` puts the files, on the same file system.
    std::filesystem::path moved() const { return place_.root() / "moved"; }
    std::filesystem::path historyFile() const;

    // The history as it was before any sweep: the earlier entries, or no file.
    void resetHistory() const;
    // `mv -t moved() FILE...` of every file.
    std::vector<std::string> moveCommand() const;
    // Throws unless every file has left the Desktop for `folder`; puts them back a day old.
    void bringBack(const std::filesystem::path& folder) const;
    // How many entries the history file holds.
    std::size_t historySize() const;

private:
    ThrowawayHome place_;
    UserFolders folders_;
    std::vector<std::string> names_;
    std::vector<HistoryEntry> earlier_;
};

} // namespace dustlyn::bench
