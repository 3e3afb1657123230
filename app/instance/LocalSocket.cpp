#include "app/instance/LocalSocket.h"

#include "core/base/FileError.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace dustlyn {

namespace {

bool makeAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

void LocalSocket::setTimeout(int fd, double seconds) {
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(seconds);
    tv.tv_usec = static_cast<suseconds_t>((seconds - std::floor(seconds)) * 1e6);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

int LocalSocket::connectTo(const std::filesystem::path& path, double timeoutSeconds) {
    sockaddr_un address{};
    if (!makeAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    setTimeout(fd, timeoutSeconds);
    return fd;
}

int LocalSocket::listenAt(const std::filesystem::path& path) {
    sockaddr_un address{};
    if (!makeAddress(path, address))
        throw FileError(ENAMETOOLONG, "The control socket's path is too long: " + path.native());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        throw FileError::fromErrno(errno);
    // A socket left by an instance that died; the caller holds the lock, so it is stale.
    ::unlink(path.c_str());
    const mode_t previous = ::umask(0177);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(previous);
    if (bound != 0 || ::listen(fd, 16) != 0) {
        const int error = bound != 0 ? bindError : errno;
        ::close(fd);
        throw FileError::fromErrno(error);
    }
    return fd;
}

std::optional<uid_t> LocalSocket::peerUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

std::optional<std::string> LocalSocket::readLine(int fd, std::size_t maxBytes) {
    std::string pending;
    return readLine(fd, maxBytes, pending);
}

std::optional<std::string> LocalSocket::readLine(int fd, std::size_t maxBytes,
                                                 std::string& pending) {
    char buffer[65536];
    for (;;) {
        if (const auto end = pending.find('\n'); end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line;
        }
        if (pending.size() > maxBytes)
            return std::nullopt;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

bool LocalSocket::writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace dustlyn
