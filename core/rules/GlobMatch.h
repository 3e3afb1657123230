#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace dustlyn {

// A file-name pattern: "*" any run of characters, "?" exactly one, everything else
// itself; the whole name must match, ignoring case. Build one to match many names.
class GlobMatch {
public:
    explicit GlobMatch(std::string_view pattern);
    ~GlobMatch();
    GlobMatch(GlobMatch&&) noexcept;
    GlobMatch& operator=(GlobMatch&&) noexcept;

    bool matches(std::string_view filename) const;
    // The same, for a caller that has already looked whether the name is plain ASCII.
    bool matches(std::string_view filename, bool filenameIsAscii) const;

    // The anchored, escaped regular expression the pattern stands for.
    static std::string regularExpression(std::string_view pattern);

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
};

} // namespace dustlyn
