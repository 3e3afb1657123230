#include "app/instance/ControlServer.h"

#include "app/instance/ControlProtocol.h"
#include "app/instance/LocalSocket.h"

#include <QSocketNotifier>

#include <chrono>

#include <sys/socket.h>
#include <unistd.h>

namespace dustlyn {

ControlServer::ControlServer(std::filesystem::path socketPath, Handler handler, QObject* parent)
    : QObject(parent), socketPath_(std::move(socketPath)), handler_(std::move(handler)),
      fd_(LocalSocket::listenAt(socketPath_)) {
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { acceptOne(); });
}

ControlServer::~ControlServer() {
    notifier_.reset();
    ::close(fd_);
    ::unlink(socketPath_.c_str());
}

namespace {

constexpr auto progressPeriod = std::chrono::milliseconds(100);

} // namespace

// A few lines a second are all a progress line can show; the last one always goes.
ChangeCommands::ProgressSink ControlServer::progressTo(int client) {
    return [client,
            last = std::chrono::steady_clock::time_point()](const MoveProgress& progress) mutable {
        const auto now = std::chrono::steady_clock::now();
        if (!progress.finished() && now - last < progressPeriod)
            return;
        last = now;
        LocalSocket::writeAll(client, ControlProtocol::encodeProgress(progress));
    };
}

void ControlServer::acceptOne() {
    const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    // The socket file is 0600 already; the peer check also keeps out anyone who got a
    // descriptor to it some other way.
    const auto peer = LocalSocket::peerUser(client);
    if (!peer || *peer != ::geteuid()) {
        ::close(client);
        return;
    }
    LocalSocket::setTimeout(client, 5.0);
    CommandOutput output;
    const auto text = LocalSocket::readLine(client, ControlProtocol::maxMessage);
    const auto request = text ? ControlProtocol::decodeRequest(*text) : std::nullopt;
    if (request)
        output = handler_(request->line,
                          request->progress ? progressTo(client) : ChangeCommands::ProgressSink());
    else
        output.fail(2, "dustlyn: the running Dustlyn did not understand the request");
    LocalSocket::writeAll(client, ControlProtocol::encodeAnswer(output));
    ::close(client);
}

} // namespace dustlyn
