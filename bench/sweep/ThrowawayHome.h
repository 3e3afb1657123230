#pragma once

#include "core/config/UserFolders.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn::bench {

// A fresh folder holding a home (with its XDG data and configuration folders) and a
// runtime folder, removed with everything in it at the end.
class ThrowawayHome {
public:
    // Made inside `parent`; throws FileError when it cannot be made.
    ThrowawayHome(const std::filesystem::path& parent, std::string_view prefix);
    ~ThrowawayHome();
    ThrowawayHome(const ThrowawayHome&) = delete;
    ThrowawayHome& operator=(const ThrowawayHome&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path home() const { return root_ / "home"; }
    std::filesystem::path dataHome() const { return home() / ".local/share"; }
    std::filesystem::path configHome() const { return home() / ".config"; }
    std::filesystem::path runtimeDirectory() const { return root_ / "run"; }
    // The folders the program works out for this home.
    UserFolders folders() const;
    // This process's environment with HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and
    // XDG_RUNTIME_DIR pointing inside.
    std::vector<std::string> environment() const;

    // $TMPDIR, or /tmp.
    static std::filesystem::path defaultParent();

private:
    std::filesystem::path root_;
};

} // namespace dustlyn::bench
