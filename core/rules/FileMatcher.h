#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace dustlyn {

// One way a rule accepts a file name: by extension, by glob pattern, or any name.
class FileMatcher {
public:
    enum class Kind { extensionMatch, glob, anyFile };

    static FileMatcher extensionMatch(std::string extension);
    static FileMatcher glob(std::string pattern);
    static FileMatcher anyFile();

    Kind kind() const { return kind_; }
    // The extension (without its dot) or the pattern, exactly as stored; empty for anyFile.
    const std::string& payload() const { return payload_; }

    // `name` is a bare file name, never a path.
    bool matches(std::string_view name) const;

    bool operator==(const FileMatcher&) const = default;

private:
    FileMatcher(Kind kind, std::string payload) : kind_(kind), payload_(std::move(payload)) {}

    Kind kind_ = Kind::anyFile;
    std::string payload_;
};

nlohmann::json toJson(const FileMatcher& matcher);
// Throws DecodingError ("Unknown matcher case: x", "Unknown matcher: [...]") or the JSON
// reader's type error for a value that is neither a string nor an object of strings.
FileMatcher fileMatcherFromJson(const nlohmann::json& value);

} // namespace dustlyn
