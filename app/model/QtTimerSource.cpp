#include "app/model/QtTimerSource.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace dustlyn {

namespace {

class QtTimer : public Timer {
public:
    QtTimer(double seconds, bool repeat, std::function<void()> action) : timer_(new QTimer) {
        timer_->setSingleShot(!repeat);
        timer_->setTimerType(repeat ? Qt::CoarseTimer : Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, [action = std::move(action)] { action(); });
        // QTimer takes an int of milliseconds; a day is far below its limit.
        const double ms = std::clamp(std::ceil(seconds * 1000.0), 0.0, 2.0e9);
        timer_->start(std::chrono::milliseconds(static_cast<long long>(ms)));
    }

    // A timer is often replaced from inside its own callback (a sweep re-arms the deadline
    // timer), so the QTimer is stopped at once but deleted only when the loop is idle.
    ~QtTimer() override {
        timer_->stop();
        timer_->deleteLater();
    }

    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

private:
    QTimer* timer_;
};

} // namespace

std::unique_ptr<Timer> QtTimerSource::singleShot(double seconds, std::function<void()> action) {
    return std::make_unique<QtTimer>(seconds, false, std::move(action));
}

std::unique_ptr<Timer> QtTimerSource::repeating(double seconds, std::function<void()> action) {
    return std::make_unique<QtTimer>(seconds, true, std::move(action));
}

} // namespace dustlyn
