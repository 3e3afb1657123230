#include "app/insights/FileInsights.h"

#include "app/insights/ClockPhrase.h"

#include <charconv>
#include <cmath>

namespace dustlyn {

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
