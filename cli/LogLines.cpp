#include "cli/LogLines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace dustlyn {

LogLines::LogLines(const std::string& journalStream)
    : outToJournal_(isJournal(STDOUT_FILENO, journalStream)),
      errToJournal_(isJournal(STDERR_FILENO, journalStream)) {}

bool LogLines::isJournal(int fd, const std::string& journalStream) {
    const auto colon = journalStream.find(':');
    if (colon == std::string::npos)
        return false;
    unsigned long long device = 0, inode = 0;
    const char* text = journalStream.data();
    const auto first = std::from_chars(text, text + colon, device);
    const auto second = std::from_chars(text + colon + 1, text + journalStream.size(), inode);
    if (first.ptr != text + colon || second.ptr != text + journalStream.size())
        return false;
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

std::string LogLines::prefixed(Priority priority, const std::string& text) {
    const std::string mark = "<" + std::to_string(static_cast<int>(priority)) + ">";
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        out += mark + text.substr(start, stop - start) + "\n";
        start = stop + 1;
    }
    return out;
}

void LogLines::out(Priority priority, const std::string& text) const {
    write(STDOUT_FILENO, outToJournal_ ? prefixed(priority, text) : text);
}

void LogLines::err(Priority priority, const std::string& text) const {
    write(STDERR_FILENO, errToJournal_ ? prefixed(priority, text) : text);
}

// Straight to the descriptor, so that lines of the two streams keep their order.
void LogLines::write(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // nowhere left to say it
        done += static_cast<std::size_t>(n);
    }
}

} // namespace dustlyn
