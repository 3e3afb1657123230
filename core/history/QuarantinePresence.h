#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace dustlyn {

// Whether something lies at a quarantine path, read from one listing of its folder: at the cap
// a sweep of a thousand files looks up a thousand old paths, nearly all in one folder.
class QuarantinePresence {
public:
    bool at(const std::string& path);

private:
    // Looked up by the name's text in the path, without a copy.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept {
            return std::hash<std::string_view>{}(name);
        }
    };
    using Names = std::unordered_set<std::string, NameHash, std::equal_to<>>;

    static std::optional<Names> list(std::string_view folder);

    std::map<std::string, std::optional<Names>, std::less<>> folders_;
};

} // namespace dustlyn
