#pragma once

#include "core/base/Date.h"

#include <filesystem>
#include <optional>
#include <string>

namespace dustlyn {

// What a file row tells besides the name: where a download came from and short time texts.
struct FileInsights {
    // The web site `file` was downloaded from, without "www.": the host of the first address
    // with one among the extended attributes user.xdg.origin.url and user.xdg.referrer.url
    // (written by browsers, curl --xattr, wget2 --xattr). A symbolic link is not followed.
    static std::optional<std::string> source(const std::filesystem::path& file);
    static std::optional<std::string> source(const char* file);
    // "4:07" below an hour, "2h 05m" below a day, else "3d 4h"; negative counts as 0.
    static std::string countdown(double seconds);
    static void appendCountdown(std::string& out, double seconds);
    // "Today 15:45", "Tomorrow 08:00", "Tue 15:45" within six days either way, else "Mar 12".
    // For many dates against one moment, ClockPhrase does the same work once.
    static std::string clock(Date date, Date now);
};

} // namespace dustlyn
