#include "core/base/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

std::string homeOfUser(const std::string& name) {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->pw_dir ? found->pw_dir : "";
}

std::string realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// Appends `rest` to `base` lexically, dropping "." and applying "..".
fs::path appendLexically(fs::path base, const fs::path& rest) {
    for (const auto& part : rest) {
        const auto& text = part.native();
        if (text.empty() || text == ".")
            continue;
        if (text == "..") {
            if (base.has_relative_path())
                base = base.parent_path();
            continue;
        }
        base /= part;
    }
    return base;
}

} // namespace

fs::path expandTilde(std::string_view text, const fs::path& home) {
    if (text.empty() || text[0] != '~')
        return fs::path(std::string(text));
    const auto slash = text.find('/');
    const std::string user(text.substr(1, slash == std::string_view::npos ? text.npos : slash - 1));
    const std::string rest(slash == std::string_view::npos ? "" : text.substr(slash + 1));
    std::string base = user.empty() ? home.native() : homeOfUser(user);
    if (base.empty())
        return fs::path(std::string(text));
    if (rest.empty())
        return fs::path(base);
    if (base.back() != '/')
        base += '/';
    return fs::path(base + rest);
}

fs::path resolvePath(const fs::path& path) {
    std::error_code error;
    fs::path absolute = path.is_absolute() ? path : fs::absolute(path, error);
    if (error)
        absolute = fs::path("/") / path;
    // Find the longest prefix that exists and let the kernel resolve it.
    std::vector<fs::path> parts(absolute.begin(), absolute.end());
    for (std::size_t keep = parts.size(); keep > 0; --keep) {
        fs::path prefix;
        for (std::size_t i = 0; i < keep; ++i)
            prefix /= parts[i];
        const std::string resolved = realPath(prefix.native());
        if (resolved.empty())
            continue;
        fs::path rest;
        for (std::size_t i = keep; i < parts.size(); ++i)
            rest /= parts[i];
        return appendLexically(fs::path(resolved), rest);
    }
    return appendLexically(fs::path("/"), absolute.relative_path());
}

fs::path resolveFolderPart(const fs::path& path) {
    std::string text = path.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const fs::path trimmed(text);
    const fs::path name = trimmed.filename();
    // "/", ".", ".." and "" name folders, not a last item of their own.
    if (name.empty() || name == "." || name == "..")
        return resolvePath(trimmed);
    return resolvePath(trimmed.parent_path().empty() ? fs::path(".") : trimmed.parent_path()) /
           name;
}

fs::path resolveText(std::string_view text, const fs::path& home) {
    return resolvePath(expandTilde(text, home));
}

std::string abbreviateHome(const fs::path& path, const fs::path& home) {
    std::string homeText = home.native();
    while (homeText.size() > 1 && homeText.back() == '/')
        homeText.pop_back();
    const std::string& text = path.native();
    if (homeText.empty() || homeText == "/")
        return text;
    if (text == homeText)
        return "~";
    if (text.size() > homeText.size() && text.compare(0, homeText.size(), homeText) == 0 &&
        text[homeText.size()] == '/')
        return "~" + text.substr(homeText.size());
    return text;
}

std::string standardizePath(std::string_view text, const fs::path& home) {
    const fs::path expanded = expandTilde(text, home);
    if (expanded.empty())
        return {};
    fs::path result = expanded.is_absolute() ? fs::path("/") : fs::path();
    result = appendLexically(result, expanded.relative_path());
    std::string out = result.native();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

} // namespace dustlyn
