#pragma once

#include "core/base/Date.h"
#include "core/quarantine/FileDeleter.h"
#include "core/quarantine/FileMover.h"
#include "core/scan/ScanReport.h"

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace dustlyn::testing {

// One call a recording fake received.
struct RecordedMove {
    std::filesystem::path source;
    std::filesystem::path destination;
    std::optional<Date> dated;

    bool operator==(const RecordedMove&) const = default;
};

// Records every move and fails those whose source is listed, touching no file. It answers
// that it put the file under "moved NAME", as a mover falling back to another name would.
class RecordingMover : public FileMover {
public:
    std::filesystem::path move(const std::filesystem::path& source,
                               const std::filesystem::path& destination,
                               std::optional<Date> dated) override;

    std::set<std::filesystem::path> failing;
    std::vector<RecordedMove> moves;
};

class RecordingDeleter : public FileDeleter {
public:
    void deleteItem(const std::filesystem::path& item) override;

    std::set<std::filesystem::path> failing;
    std::vector<std::filesystem::path> deleted;
};

MatchedFile matchedFile(const std::filesystem::path& url, std::int64_t size);
ScanResult resultOf(const std::string& ruleName, std::vector<MatchedFile> files);

// Every name in `folder`, hidden ones included, sorted; empty when it cannot be read.
std::vector<std::string> namesIn(const std::filesystem::path& folder);
// Names in `folder` starting with a dot.
std::vector<std::string> hiddenNamesIn(const std::filesystem::path& folder);

// A pseudo-random but reproducible content of `size` bytes.
std::string patternContent(std::size_t size, unsigned seed = 1);

// An extended attribute's value, nothing when it is not there.
std::optional<std::string> attribute(const std::filesystem::path& file, const std::string& name);

// Sets or clears the immutable flag (which even root cannot unlink past); false when the
// file system or the caller's rights do not allow it.
bool setImmutable(const std::filesystem::path& file, bool immutable);

mode_t modeOf(const std::filesystem::path& file);
dev_t deviceOf(const std::filesystem::path& path);

// A file system mounted on a folder for the length of a test, detached at the end.
class TestMount {
public:
    // A tmpfs (or another memory file system `type`) with `options` on `target`; nothing
    // when mounting is not permitted, `error` then says why.
    static std::unique_ptr<TestMount> tmpfs(const std::filesystem::path& target,
                                            const std::string& options, std::string& error,
                                            const std::string& type = "tmpfs");
    // `source` bound onto `target`: the same file system under another mount.
    static std::unique_ptr<TestMount> bind(const std::filesystem::path& source,
                                           const std::filesystem::path& target, std::string& error);
    explicit TestMount(std::filesystem::path target) : target_(std::move(target)) {}
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    ~TestMount();

private:
    std::filesystem::path target_;
};

} // namespace dustlyn::testing
