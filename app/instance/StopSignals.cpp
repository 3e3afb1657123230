#include "app/instance/StopSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>

namespace dustlyn {

namespace {

sigset_t stopSet() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    return mask;
}

} // namespace

void StopSignals::block() {
    const sigset_t mask = stopSet();
    ::pthread_sigmask(SIG_BLOCK, &mask, nullptr);
}

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    const sigset_t mask = stopSet();
    fd_ = ::signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == sizeof info) {
        }
        QCoreApplication::quit();
    });
}

StopSignals::~StopSignals() {
    notifier_.reset();
    ::close(fd_);
}

} // namespace dustlyn
