#pragma once

#include "core/config/UserFolders.h"

#include <filesystem>

namespace dustlyn {

// The one place that reads HOME and the XDG variables.
struct Environment {
    UserFolders folders;
    std::filesystem::path runtimeDirectory; // $XDG_RUNTIME_DIR, or the support folder
    // $JOURNAL_STREAM: "device:inode" of the stream systemd connected to the journal.
    std::string journalStream;

    static Environment fromProcess();

    std::filesystem::path lockPath() const { return runtimeDirectory / "dustlyn.lock"; }
    std::filesystem::path socketPath() const { return runtimeDirectory / "dustlyn.sock"; }
};

} // namespace dustlyn
