#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace dustlyn {

// SIGINT, SIGTERM and SIGHUP end the event loop between two events, never in the middle
// of a sweep: they arrive as data on a descriptor the loop watches. `block` must run
// before any thread starts, so that no other thread takes the signals instead.
class StopSignals : public QObject {
    Q_OBJECT

public:
    static void block();

    // Quits the application when a stop signal arrives.
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

private:
    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace dustlyn
