#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace dustlyn {

// Whether something lies at a quarantine path, read from one listing of its folder: at the cap
// a sweep of a thousand files looks up a thousand old paths, nearly all in one folder.
class QuarantinePresence {
public:
    bool at(const std::string& path);

private:
    using Names = std::set<std::string, std::less<>>;

    static std::optional<Names> list(std::string_view folder);

    std::map<std::string, std::optional<Names>, std::less<>> folders_;
};

} // namespace dustlyn
