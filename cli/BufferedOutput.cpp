#include "cli/BufferedOutput.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace dustlyn {

namespace {

constexpr std::size_t pipeSize = 1 << 20;

} // namespace

BufferedOutput::BufferedOutput(int fd, std::size_t blockSize) : fd_(fd), blockSize_(blockSize) {
    // Room for a block and the line that fills it, so the text never moves while growing.
    text_.reserve(blockSize_ + blockSize_ / 4);
    // A listing is written in one burst at the end; a pipe that holds a few blocks lets it
    // go out while the reader catches up, instead of waiting for the reader every 64 kB.
    // The system may refuse (a limit for unprivileged users); the default then stays.
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISFIFO(info.st_mode) &&
        ::fcntl(fd_, F_GETPIPE_SZ) < int(pipeSize))
        ::fcntl(fd_, F_SETPIPE_SZ, int(pipeSize));
}

BufferedOutput::~BufferedOutput() {
    flush();
}

void BufferedOutput::line(std::string_view text) {
    text_ += text;
    text_ += '\n';
    wrote();
}

bool BufferedOutput::flush() {
    writeOut();
    return error_.empty();
}

void BufferedOutput::writeOut() {
    std::size_t done = 0;
    // After a failure (a closed pipe, a full disk) the rest is dropped, not retried.
    while (error_.empty() && done < text_.size()) {
        const ssize_t count = ::write(fd_, text_.data() + done, text_.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            error_ = FileError::fromErrno(errno).what();
        else
            done += static_cast<std::size_t>(count);
    }
    text_.clear();
}

} // namespace dustlyn
