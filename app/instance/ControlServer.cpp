#include "app/instance/ControlServer.h"

#include "app/instance/ControlProtocol.h"
#include "app/instance/LocalSocket.h"

#include <QSocketNotifier>

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
    const auto line = text ? ControlProtocol::decodeRequest(*text) : std::nullopt;
    if (line)
        output = handler_(*line);
    else
        output.fail(2, "dustlyn: the running Dustlyn did not understand the request");
    LocalSocket::writeAll(client, ControlProtocol::encodeAnswer(output));
    ::close(client);
}

} // namespace dustlyn
