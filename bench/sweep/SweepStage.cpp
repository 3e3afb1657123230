#include "bench/sweep/SweepStage.h"

#include "core/base/FileError.h"
#include "core/config/ConfigurationStore.h"
#include "core/history/HistoryStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace dustlyn::bench {

namespace fs = std::filesystem;

namespace {

void setDayOld(const fs::path& file) {
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 86400, 0}};
    if (::utimensat(AT_FDCWD, file.c_str(), times, 0) != 0)
        throw FileError::fromErrno(errno);
}

std::vector<std::string> fileNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "note-%04d.txt", i);
        names.emplace_back(name);
    }
    return names;
}

void makeFiles(const fs::path& folder, const std::vector<std::string>& names) {
    fs::create_directories(folder);
    const std::string content(63, 'x');
    for (const auto& name : names) {
        std::ofstream out(folder / name);
        out << content << '\n';
        out.close();
        if (!out)
            throw std::runtime_error("cannot write " + (folder / name).native());
        setDayOld(folder / name);
    }
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

// Earlier sweeps' screenshots, long gone from the quarantine, as a full history mostly is.
std::vector<HistoryEntry> earlierHistory(const UserFolders& folders, int count) {
    std::vector<HistoryEntry> entries;
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

} // namespace

SweepStage::SweepStage(const fs::path& parent, int files, int earlier)
    : place_(parent, "dustlyn-bench-sweep"), folders_(place_.folders()), names_(fileNames(files)),
      earlier_(earlierHistory(folders_, earlier)) {
    makeFiles(desktop(), names_);
    fs::create_directories(moved());
    Configuration config = Configuration::defaults(folders_);
    config.rules = {claimingRule()};
    config.onboardingCompleted = true;
    ConfigurationStore::defaultStore(folders_).save(config);
}

fs::path SweepStage::historyFile() const {
    return HistoryStore::defaultStore(folders_).url();
}

void SweepStage::resetHistory() const {
    std::error_code ignored;
    fs::remove(historyFile(), ignored);
    if (!earlier_.empty())
        HistoryStore::defaultStore(folders_).save(earlier_);
}

std::vector<std::string> SweepStage::moveCommand() const {
    std::vector<std::string> arguments = {"mv", "-t", moved().native()};
    for (const auto& name : names_)
        arguments.push_back((desktop() / name).native());
    return arguments;
}

void SweepStage::bringBack(const fs::path& folder) const {
    const auto left = std::distance(fs::directory_iterator(desktop()), fs::directory_iterator());
    if (left != 0)
        throw std::runtime_error(std::to_string(left) + " files were left on the Desktop");
    for (const auto& name : names_) {
        if (::rename((folder / name).c_str(), (desktop() / name).c_str()) != 0) {
            const int code = errno;
            throw std::runtime_error("cannot move " + (folder / name).native() +
                                     " back: " + FileError::fromErrno(code).what());
        }
        setDayOld(desktop() / name);
    }
}

std::size_t SweepStage::historySize() const {
    return HistoryStore::defaultStore(folders_).load().size();
}

} // namespace dustlyn::bench
