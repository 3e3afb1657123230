#include "core/quarantine/XdgTrashEmptier.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileDescriptor.h"
#include "core/quarantine/FileSystemCalls.h"
#include "core/quarantine/TreeRemover.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view infoSuffix = ".trashinfo";

// Remembers the first failure and carries on: one stuck item must not keep the rest.
class Failures {
public:
    void add(int error) {
        if (!first_)
            first_ = FileError::fromErrno(error);
    }
    void add(const std::optional<FileError>& error) {
        if (!first_ && error)
            first_ = error;
    }
    const std::optional<FileError>& first() const { return first_; }

private:
    std::optional<FileError> first_;
};

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// The mount table writes space, tab, newline and backslash as \040, \011, \012 and \134.
std::string decodeMountField(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// A real folder (not a link to one), owned by `owner` when one is required.
std::optional<struct stat> realFolder(const fs::path& path, std::optional<uid_t> owner) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    if (owner && info.st_uid != *owner)
        return std::nullopt;
    return info;
}

// An optional part of a trash folder: absent is fine, a link or a foreign file system is not.
FileDescriptor openPart(int trash, const char* name, dev_t device, Failures& failures) {
    FileDescriptor part = openFolderAt(trash, name);
    if (!part) {
        if (errno != ENOENT)
            failures.add(errno);
        return part;
    }
    struct stat info {};
    if (::fstat(part.get(), &info) != 0) {
        failures.add(errno);
        return {};
    }
    if (info.st_dev != device) {
        failures.add(EXDEV);
        return {};
    }
    return part;
}

std::vector<std::string> entriesOrNone(int folder, Failures& failures) {
    try {
        return readFolderEntries(folder);
    } catch (const FileError& error) {
        failures.add(error);
        return {};
    }
}

void unlinkUnlessMissing(int folder, const std::string& name, Failures& failures) {
    if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT)
        failures.add(errno);
}

// Each item goes before its description, so a trash interrupted halfway never lists an
// item whose description is gone.
void emptyFiles(int files, int info, dev_t device, Failures& failures) {
    for (const auto& name : entriesOrNone(files, failures)) {
        TreeRemover remover;
        const bool removed = remover.removeEntry(files, name, device);
        failures.add(remover.firstError());
        if (removed && info >= 0)
            unlinkUnlessMissing(info, name + std::string(infoSuffix), failures);
    }
}

void removeOrphanedInfo(int files, int info, Failures& failures) {
    for (const auto& name : entriesOrNone(info, failures)) {
        if (name.size() <= infoSuffix.size() || !name.ends_with(infoSuffix))
            continue;
        const std::string item = name.substr(0, name.size() - infoSuffix.size());
        struct stat described {};
        if (files >= 0 && ::fstatat(files, item.c_str(), &described, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (files >= 0 && errno != ENOENT) {
            failures.add(errno);
            continue;
        }
        unlinkUnlessMissing(info, name, failures);
    }
}

void emptyTrashFolder(const fs::path& trash, Failures& failures) {
    const FileDescriptor folder(
        ::open(trash.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) {
        if (errno != ENOENT)
            failures.add(errno);
        return;
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0) {
        failures.add(errno);
        return;
    }
    const FileDescriptor files = openPart(folder.get(), "files", info.st_dev, failures);
    const FileDescriptor descriptions = openPart(folder.get(), "info", info.st_dev, failures);
    if (files)
        emptyFiles(files.get(), descriptions.get(), info.st_dev, failures);
    if (descriptions)
        removeOrphanedInfo(files.get(), descriptions.get(), failures);
    // The cache of folder sizes describes items that are gone now.
    unlinkUnlessMissing(folder.get(), "directorysizes", failures);
}

std::vector<fs::path> readMountPoints() {
    std::ifstream table("/proc/self/mounts");
    std::stringstream text;
    text << table.rdbuf();
    return XdgTrashEmptier::mountPointsFromTable(text.str());
}

} // namespace

XdgTrashEmptier::XdgTrashEmptier(fs::path homeTrash, uid_t uid, std::vector<fs::path> mountPoints)
    : homeTrash_(std::move(homeTrash)), uid_(uid), mountPoints_(std::move(mountPoints)) {}

void XdgTrashEmptier::emptyTrash() {
    Failures failures;
    for (const auto& trash : trashDirectories())
        emptyTrashFolder(trash, failures);
    if (failures.first())
        throw *failures.first();
}

std::vector<fs::path> XdgTrashEmptier::trashDirectories() const {
    std::vector<fs::path> result;
    // Bind mounts show one trash under several mount points; it is emptied once.
    std::set<std::pair<dev_t, ino_t>> seen;
    auto add = [&](const fs::path& path, std::optional<uid_t> owner) {
        const auto info = realFolder(path, owner);
        if (info && seen.insert({info->st_dev, info->st_ino}).second)
            result.push_back(path);
    };
    add(homeTrash_, std::nullopt);
    const std::string uid = std::to_string(uid_);
    for (const auto& top : mountPoints_.empty() ? readMountPoints() : mountPoints_) {
        // A shared .Trash counts only when it is a real sticky folder: otherwise anyone could
        // have put it there, or made it a link to somewhere else.
        const auto shared = realFolder(top / ".Trash", std::nullopt);
        if (shared && (shared->st_mode & S_ISVTX))
            add(top / ".Trash" / uid, uid_);
        add(top / (".Trash-" + uid), uid_);
    }
    return result;
}

std::vector<fs::path> XdgTrashEmptier::mountPointsFromTable(std::string_view table) {
    std::vector<fs::path> points;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device;
        std::string point;
        if (fields >> device >> point)
            points.emplace_back(decodeMountField(point));
    }
    return points;
}

} // namespace dustlyn
