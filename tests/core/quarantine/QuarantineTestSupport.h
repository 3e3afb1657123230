#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace dustlyn::testing {

// Every name in `folder`, hidden ones included, sorted; empty when it cannot be read.
std::vector<std::string> namesIn(const std::filesystem::path& folder);

dev_t deviceOf(const std::filesystem::path& path);

// A file system mounted on a folder for the length of a test, detached at the end.
class TestMount {
public:
    // A memory file system `what` ("tmpfs", "ramfs") with `options` on `target`, or with
    // MS_BIND in `flags` the folder `what` bound there; nothing when mounting is not
    // permitted, `error` then says why.
    static std::unique_ptr<TestMount> mount(const std::string& what,
                                            const std::filesystem::path& target, std::string& error,
                                            const std::string& options = "",
                                            unsigned long flags = 0);
    explicit TestMount(std::filesystem::path target) : target_(std::move(target)) {}
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;
    ~TestMount();

private:
    std::filesystem::path target_;
};

} // namespace dustlyn::testing
