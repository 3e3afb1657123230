#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

namespace dustlyn {

// Small blocking helpers over Unix stream sockets, with timeouts so that a silent peer
// never hangs either side.
struct LocalSocket {
    // A connected socket, or -1 when nobody listens at `path`.
    static int connectTo(const std::filesystem::path& path, double timeoutSeconds);
    // A listening, non-blocking socket at `path` that only this user can open (mode 0600,
    // in a folder made 0700 when we create it). Throws FileError.
    static int listenAt(const std::filesystem::path& path);
    static void setTimeout(int fd, double seconds);
    // The user id of the process at the other end, if the kernel tells it.
    static std::optional<uid_t> peerUser(int fd);
    // Reads up to the first line feed (excluded); nothing on timeout, error or overlong input.
    static std::optional<std::string> readLine(int fd, std::size_t maxBytes);
    // The same for one of several lines: what was read past the line feed waits in `pending`
    // for the next call.
    static std::optional<std::string> readLine(int fd, std::size_t maxBytes, std::string& pending);
    static bool writeAll(int fd, const std::string& text);
};

} // namespace dustlyn
