#include "core/quarantine/Purger.h"

#include "core/base/FileError.h"
#include "core/quarantine/FileSystemCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <unordered_set>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

enum class NameState { free, taken, tooLong };

// Any item counts, a dangling link included, so lstat and not stat. Any failure to look other
// than a name too long for the file system is left for the move itself to report.
NameState nameState(const fs::path& candidate) {
    struct stat info {};
    if (::lstat(candidate.c_str(), &info) == 0)
        return NameState::taken;
    return errno == ENAMETOOLONG ? NameState::tooLong : NameState::free;
}

// The longest name the folder's file system takes, in bytes; 255 where it cannot be asked
// (the folder does not exist yet).
std::size_t nameLimit(long asked) {
    return asked > 0 ? std::size_t(asked) : 255;
}

// The first `bytes` bytes of `text`, or fewer, so that no UTF-8 character is cut in two.
std::string cutToBytes(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
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

// base (n).extension, with the base shortened where the whole would not fit in `limit`
// bytes: the number and the extension are what tell the copies apart and open them.
std::string numberedName(const std::string& base, const std::string& extension,
                         unsigned long long n, std::size_t limit) {
    const std::string number = " (" + std::to_string(n) + ")";
    const std::string suffix = extension.empty() ? number : number + "." + extension;
    if (base.size() + suffix.size() <= limit)
        return base + suffix;
    // An extension too long to keep any of the base goes with it, as part of the name.
    if (suffix.size() >= limit)
        return cutToBytes(extension.empty() ? base : base + "." + extension,
                          limit > number.size() ? limit - number.size() : 0) +
               number;
    return cutToBytes(base, limit - suffix.size()) + suffix;
}

// The first name for `name` that `state` finds free: name, then base (1).ext and so on.
// `limit` is asked for only once a numbered name is needed.
template <class State, class Limit>
std::string firstFreeName(const std::string& name, const State& state, const Limit& askLimit) {
    // A name too long for this folder can never be taken by the file; a numbered one,
    // shortened to fit, can.
    if (state(name) == NameState::free)
        return name;
    const auto [base, extension] = splitExtension(name);
    std::size_t limit = askLimit();
    for (unsigned long long n = 1;; ++n) {
        std::string numbered = numberedName(base, extension, n, limit);
        const NameState found = state(numbered);
        if (found == NameState::free)
            return numbered;
        if (found == NameState::tooLong) {
            // The file system takes less than it said: the same number, a byte shorter, until
            // nothing is left to cut; then the move reports why the name cannot be.
            if (numbered.size() <= 1 ||
                numberedName(base, extension, n, numbered.size() - 1) == numbered)
                return numbered;
            limit = numbered.size() - 1;
            --n;
        }
    }
}

// The names in the quarantine, read once for a whole sweep; each name handed out counts as
// taken for the files after it. Whatever appears meanwhile the no-replace rename refuses, and
// the mover then takes the next free name.
class FreeNames {
public:
    explicit FreeNames(const fs::path& directory) {
        const FileDescriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder)
            return; // not there yet: every name is free
        limit_ = nameLimit(::fpathconf(folder.get(), _PC_NAME_MAX));
        try {
            for (auto& name : readFolderEntries(folder.get()))
                taken_.insert(std::move(name));
        } catch (const FileError&) {
            // Unreadable: the moves find out which names are taken.
        }
    }

    std::string take(const std::string& name) {
        const auto state = [this](const std::string& candidate) {
            if (taken_.contains(candidate))
                return NameState::taken;
            return candidate.size() > limit_ ? NameState::tooLong : NameState::free;
        };
        std::string chosen = firstFreeName(name, state, [this] { return limit_; });
        taken_.insert(chosen);
        return chosen;
    }

private:
    std::unordered_set<std::string> taken_;
    std::size_t limit_ = 255;
};

std::string errorText(const std::exception& error) {
    // A library error's what() carries the operation and the paths; outcomes hold the
    // system's message alone.
    if (const auto* system = dynamic_cast<const std::system_error*>(&error))
        return system->code().message();
    return error.what();
}

// The mover may keep folders open for the length of one pass, never longer.
class Pass {
public:
    explicit Pass(FileMover& mover) : mover_(mover) { mover_.beginPass(); }
    ~Pass() { mover_.endPass(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

private:
    FileMover& mover_;
};

std::vector<PlannedMove> planMoves(const ScanReport& report, const fs::path& directory) {
    std::vector<PlannedMove> plan;
    FreeNames names(directory);
    std::string folder = directory.native();
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    for (const auto& result : report.results) {
        for (const auto& file : result.files) {
            std::string destination = folder + names.take(std::string(nameText(file.url)));
            plan.push_back({file.url, std::move(destination), result.rule.name, file.size,
                            file.modificationDate});
        }
    }
    return plan;
}

} // namespace

Purger::Purger(std::shared_ptr<FileMover> mover, std::shared_ptr<FileDeleter> deleter)
    : mover_(std::move(mover)), deleter_(std::move(deleter)) {}

QuarantineReport Purger::quarantine(const ScanReport& report, const fs::path& directory, Date now,
                                    const PlanObserver& beforeMoves,
                                    const ProgressObserver& progress) const {
    std::vector<PlannedMove> plan = planMoves(report, directory);
    if (plan.empty())
        return QuarantineReport::empty();
    if (beforeMoves)
        beforeMoves(plan);
    const Pass pass(*mover_);
    QuarantineReport result;
    result.outcomes.reserve(plan.size());
    MoveProgress done{0, std::int64_t(plan.size()), 0, 0};
    for (const auto& move : plan)
        done.bytesTotal += move.size;
    // The plan is on record by now; each move's paths pass on to its outcome.
    for (auto& move : plan) {
        try {
            std::string quarantined =
                mover_->move(move.original, move.destination, now, move.modified);
            result.outcomes.push_back(
                {std::move(move.original), std::move(quarantined), true, std::nullopt});
            result.movedCount += 1;
            result.movedSize += move.size;
        } catch (const std::exception& error) {
            result.outcomes.push_back(
                {std::move(move.original), std::nullopt, false, errorText(error)});
            result.failedCount += 1;
        }
        done.files += 1;
        done.bytes += move.size;
        if (progress)
            progress(done);
    }
    return result;
}

fs::path Purger::uniqueDestination(const fs::path& directory, const fs::path& file) {
    const auto state = [&](const std::string& name) { return nameState(directory / name); };
    const auto limit = [&] { return nameLimit(::pathconf(directory.c_str(), _PC_NAME_MAX)); };
    return directory / firstFreeName(nameOf(file), state, limit);
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
    return mover_->move(quarantinedFile.native(), destination.native(), std::nullopt);
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
