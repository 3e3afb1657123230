#include "core/config/LegacyMigration.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileError.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

enum class Presence { absent, present, unknown };

// Anything at the path counts, a dangling symbolic link included; a path that cannot be
// examined is neither, and the migration then leaves it alone.
Presence presence(const fs::path& path) {
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found)
        return Presence::absent;
    return error ? Presence::unknown : Presence::present;
}

// Moves the folder as a whole without ever replacing something that appeared at `to`
// meanwhile. Across file systems the kernel refuses (EXDEV); the caller accepts that.
bool moveFolder(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    // Some file systems cannot promise "no replace"; `to` was just seen to be absent.
    if (errno == EINVAL || errno == ENOSYS)
        return ::rename(from.c_str(), to.c_str()) == 0;
    return false;
}

void carryQuarantineOver(const fs::path& legacyFolder, const ConfigurationStore& store) {
    const fs::path supportFolder = store.url().parent_path();
    try {
        createDirectories(supportFolder);
    } catch (const FileError&) {
        // Ignored: the move and the save below then fail on their own, and are ignored too.
    }
    const fs::path oldQuarantine = legacyFolder / "Quarantine";
    const fs::path newQuarantine = supportFolder / "Quarantine";
    if (presence(oldQuarantine) == Presence::present && presence(newQuarantine) == Presence::absent)
        moveFolder(oldQuarantine, newQuarantine); // a failure leaves it where it was
}

} // namespace

void LegacyMigration::migrateIfNeeded(const fs::path& legacyFolder, const ConfigurationStore& store,
                                      const UserFolders& folders) {
    if (presence(store.url()) != Presence::absent)
        return;
    const fs::path legacyFile = legacyFolder / "config.json";
    if (presence(legacyFile) != Presence::present)
        return;
    Configuration configuration = ConfigurationStore(legacyFile, store.defaults()).load();
    if (configuration.quarantineDirectory == folders.legacyQuarantineText()) {
        carryQuarantineOver(legacyFolder, store);
        // Points at the new folder even when the move failed: the old one keeps its files
        // and the user can still reach them.
        configuration.quarantineDirectory = folders.defaultQuarantineText();
    }
    try {
        store.save(configuration);
    } catch (const FileError&) {
        // Nothing was written, so the next start tries again.
    }
}

} // namespace dustlyn
