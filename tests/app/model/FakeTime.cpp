#include "tests/app/model/FakeTime.h"

#include <algorithm>

namespace dustlyn::testing {

class FakeTimers::Handle : public Timer {
public:
    explicit Handle(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
    ~Handle() override { entry_->live = false; }

private:
    std::shared_ptr<Entry> entry_;
};

std::unique_ptr<Timer> FakeTimers::add(double seconds, double period,
                                       std::function<void()> action) {
    auto entry = std::make_shared<Entry>();
    entry->due = elapsed_ + seconds;
    entry->period = period;
    entry->delay = seconds;
    entry->action = std::move(action);
    entries_.push_back(entry);
    return std::make_unique<Handle>(entry);
}

std::unique_ptr<Timer> FakeTimers::singleShot(double seconds, std::function<void()> action) {
    return add(seconds, 0, std::move(action));
}

std::unique_ptr<Timer> FakeTimers::repeating(double seconds, std::function<void()> action) {
    return add(seconds, seconds, std::move(action));
}

void FakeTimers::advance(double seconds) {
    const double target = elapsed_ + seconds;
    for (;;) {
        std::erase_if(entries_, [](const auto& entry) { return !entry->live; });
        std::shared_ptr<Entry> next;
        for (const auto& entry : entries_)
            if (entry->due <= target && (!next || entry->due < next->due))
                next = entry;
        if (!next)
            break;
        clock_.set(dateAfter(clock_.now(), next->due - elapsed_));
        elapsed_ = next->due;
        if (next->period > 0)
            next->due += next->period;
        else
            next->live = false;
        // A copy: the action may replace (and so destroy) its own timer.
        const auto action = next->action;
        action();
    }
    clock_.set(dateAfter(clock_.now(), target - elapsed_));
    elapsed_ = target;
}

std::vector<double> FakeTimers::pendingSingleShots() const {
    std::vector<double> delays;
    for (const auto& entry : entries_)
        if (entry->live && entry->period == 0)
            delays.push_back(entry->delay);
    return delays;
}

std::vector<double> FakeTimers::repeatingPeriods() const {
    std::vector<double> periods;
    for (const auto& entry : entries_)
        if (entry->live && entry->period > 0)
            periods.push_back(entry->period);
    return periods;
}

} // namespace dustlyn::testing
