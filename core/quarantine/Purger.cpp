#include "core/quarantine/Purger.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"

#include <sys/stat.h>

#include <system_error>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

// Any item counts, a dangling link included, so lstat and not stat.
bool isTaken(const fs::path& candidate, const std::set<fs::path>& taken) {
    struct stat info {};
    return taken.contains(candidate) || ::lstat(candidate.c_str(), &info) == 0;
}

// "archive.tar.gz" is archive.tar + gz; leading dots never start an extension (".bashrc"),
// and neither does a dot at the very end.
std::pair<std::string, std::string> splitExtension(const std::string& name) {
    const auto firstNonDot = name.find_first_not_of('.');
    const auto dot = name.rfind('.');
    if (firstNonDot == std::string::npos || dot == std::string::npos || dot < firstNonDot ||
        dot + 1 == name.size())
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

std::string numberedName(const std::string& base, const std::string& extension,
                         unsigned long long n) {
    std::string name = base + " (" + std::to_string(n) + ")";
    return extension.empty() ? name : name + "." + extension;
}

std::string errorText(const std::exception& error) {
    // A library error's what() carries the operation and the paths; outcomes hold the
    // system's message alone.
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return system->code().message();
    return error.what();
}

std::vector<PlannedMove> planMoves(const ScanReport& report, const fs::path& directory) {
    std::vector<PlannedMove> plan;
    std::set<fs::path> planned;
    for (const auto& result : report.results) {
        for (const auto& file : result.files) {
            fs::path destination = Purger::uniqueDestination(directory, file.url, planned);
            planned.insert(destination);
            plan.push_back({file.url, std::move(destination), result.rule.name, file.size,
                            modificationTime(file.url)});
        }
    }
    return plan;
}

} // namespace

Purger::Purger(std::shared_ptr<FileMover> mover, std::shared_ptr<FileDeleter> deleter)
    : mover_(std::move(mover)), deleter_(std::move(deleter)) {}

QuarantineReport Purger::quarantine(const ScanReport& report, const fs::path& directory, Date now,
                                    const PlanObserver& beforeMoves) const {
    const std::vector<PlannedMove> plan = planMoves(report, directory);
    if (plan.empty())
        return QuarantineReport::empty();
    if (beforeMoves)
        beforeMoves(plan);
    QuarantineReport result;
    for (const auto& move : plan) {
        try {
            fs::path quarantined = mover_->move(move.original, move.destination, now);
            result.outcomes.push_back({move.original, std::move(quarantined), true, std::nullopt});
            result.movedCount += 1;
            result.movedSize += move.size;
        } catch (const std::exception& error) {
            result.outcomes.push_back({move.original, std::nullopt, false, errorText(error)});
            result.failedCount += 1;
        }
    }
    return result;
}

fs::path Purger::uniqueDestination(const fs::path& directory, const fs::path& file) {
    return uniqueDestination(directory, file, {});
}

fs::path Purger::uniqueDestination(const fs::path& directory, const fs::path& file,
                                   const std::set<fs::path>& taken) {
    const std::string name = nameOf(file);
    fs::path candidate = directory / name;
    if (!isTaken(candidate, taken))
        return candidate;
    const auto [base, extension] = splitExtension(name);
    for (unsigned long long n = 1;; ++n) {
        candidate = directory / numberedName(base, extension, n);
        if (!isTaken(candidate, taken))
            return candidate;
    }
}

fs::path Purger::restore(const fs::path& quarantinedFile, const fs::path& target) const {
    const fs::path parent = folderOf(target);
    std::error_code error;
    fs::create_directories(parent, error);
    if (error)
        throw FileError::fromErrno(error.value());
    struct stat info {};
    const fs::path destination =
        ::lstat(target.c_str(), &info) == 0 ? uniqueDestination(parent, target) : target;
    return mover_->move(quarantinedFile, destination, std::nullopt);
}

PurgeReport Purger::deleteFiles(const std::vector<MatchedFile>& files) const {
    PurgeReport report;
    for (const auto& file : files) {
        try {
            deleter_->deleteItem(file.url);
            report.outcomes.push_back({file, true, std::nullopt});
            report.purgedCount += 1;
            report.purgedSize += file.size;
        } catch (const std::exception& error) {
            report.outcomes.push_back({file, false, errorText(error)});
            report.failedCount += 1;
        }
    }
    return report;
}

} // namespace dustlyn
