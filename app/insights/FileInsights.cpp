#include "app/insights/FileInsights.h"

#include <QString>
#include <QUrl>

#include <sys/xattr.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace dustlyn {

namespace {

// The attribute's bytes, or nothing when it is missing, empty or unreadable. The value may
// grow between asking its size and reading it, hence the retries.
std::optional<std::string> linkAttribute(const std::filesystem::path& file, const char* name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ssize_t size = ::lgetxattr(file.c_str(), name, nullptr, 0);
        if (size < 1)
            return std::nullopt;
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t read = ::lgetxattr(file.c_str(), name, value.data(), value.size());
        if (read < 0 && errno == ERANGE)
            continue;
        if (read <= 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(read));
        return value;
    }
    return std::nullopt;
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
    static constexpr std::array names{"user.xdg.origin.url", "user.xdg.referrer.url"};
    for (const char* name : names) {
        const auto address = linkAttribute(file, name);
        if (!address)
            continue;
        if (auto host = hostOf(*address))
            return host;
    }
    return std::nullopt;
}

std::string FileInsights::countdown(double seconds) {
    const long long s = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(seconds) : 0;
    char buffer[48];
    if (s < 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", s / 60, s % 60);
    else if (s < 86400)
        std::snprintf(buffer, sizeof buffer, "%lldh %02lldm", s / 3600, (s % 3600) / 60);
    else
        std::snprintf(buffer, sizeof buffer, "%lldd %lldh", s / 86400, (s % 86400) / 3600);
    return buffer;
}

namespace {

std::tm localTime(Date date) {
    const std::time_t t = std::chrono::system_clock::to_time_t(date);
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}

std::string format(const std::tm& time, const char* pattern) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &time);
    return std::string(buffer, n);
}

bool sameDay(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_yday == b.tm_yday;
}

} // namespace

std::string FileInsights::clock(Date date, Date now) {
    const std::tm when = localTime(date);
    const std::tm today = localTime(now);
    std::tm tomorrow = today;
    tomorrow.tm_mday += 1;
    tomorrow.tm_isdst = -1;
    std::mktime(&tomorrow);
    const std::string time = format(when, "%H:%M");
    if (sameDay(when, today))
        return "Today " + time;
    if (sameDay(when, tomorrow))
        return "Tomorrow " + time;
    if (secondsBetween(now, date) >= 518400)
        return format(when, "%b ") + std::to_string(when.tm_mday);
    return format(when, "%a ") + time;
}

} // namespace dustlyn
