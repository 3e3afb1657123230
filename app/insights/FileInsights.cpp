#include "app/insights/FileInsights.h"

#include "app/insights/ClockPhrase.h"

#include <QString>
#include <QUrl>

#include <sys/xattr.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace dustlyn {

namespace {

// The attribute's bytes, or nothing when it is missing, empty or unreadable. The value may
// grow between asking its size and reading it, hence the retries.
std::optional<std::string> linkAttribute(const char* file, const char* name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::lgetxattr(file, name, nullptr, 0);
        if (size < 1)
            return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t read = ::lgetxattr(file, name, value.data(), value.size());
        if (read < 0 && errno == ERANGE)
            continue;
        if (read <= 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(read));
        return value;
    }
    return std::nullopt;
}

// False only when the file's attribute names are known and none of `names` is among them.
template <std::size_t N>
bool mayHaveAttribute(const char* file, const std::array<const char*, N>& names) {
    std::array<char, 512> list;
    const ssize_t size = ::llistxattr(file, list.data(), list.size());
    if (size < 0)
        return errno == ERANGE; // too many to list here: ask for each name
    const std::string_view listed(list.data(), static_cast<std::size_t>(size));
    for (const char* name : names)
        // Each name in the list ends with a NUL, so a whole name is matched.
        if (listed.find(std::string_view(name, std::strlen(name) + 1)) != std::string_view::npos)
            return true;
    return false;
}

std::optional<std::string> hostOf(const std::string& address) {
    // Some writers store the terminating NUL with the text.
    const QString text = QString::fromUtf8(address.c_str()).trimmed();
    const QUrl url(text);
    if (!url.isValid())
        return std::nullopt;
    QString host = url.host();
    if (host.isEmpty())
        return std::nullopt;
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    if (host.isEmpty())
        return std::nullopt;
    return host.toStdString();
}

} // namespace

std::optional<std::string> FileInsights::source(const std::filesystem::path& file) {
    return source(file.c_str());
}

std::optional<std::string> FileInsights::source(const char* file) {
    static constexpr std::array names{"user.xdg.origin.url", "user.xdg.referrer.url"};
    // Most files carry no such attribute: one listing answers for them, instead of a failed
    // read per name (a listing of many thousand files would spend most of its time there).
    if (!mayHaveAttribute(file, names))
        return std::nullopt;
    for (const char* name : names) {
        const auto address = linkAttribute(file, name);
        if (!address)
            continue;
        if (auto host = hostOf(*address))
            return host;
    }
    return std::nullopt;
}

namespace {

void appendNumber(std::string& out, long long value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void appendTwoDigits(std::string& out, long long value) {
    if (value < 10)
        out += '0';
    appendNumber(out, value);
}

} // namespace

std::string FileInsights::countdown(double seconds) {
    std::string text;
    appendCountdown(text, seconds);
    return text;
}

void FileInsights::appendCountdown(std::string& out, double seconds) {
    const long long s = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(seconds) : 0;
    if (s < 3600) {
        appendNumber(out, s / 60);
        out += ':';
        appendTwoDigits(out, s % 60);
    } else if (s < 86400) {
        appendNumber(out, s / 3600);
        out += "h ";
        appendTwoDigits(out, (s % 3600) / 60);
        out += 'm';
    } else {
        appendNumber(out, s / 86400);
        out += "d ";
        appendNumber(out, (s % 86400) / 3600);
        out += 'h';
    }
}

std::string FileInsights::clock(Date date, Date now) {
    return ClockPhrase(now).text(date);
}

} // namespace dustlyn
