#include "app/watcher/Debouncer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dustlyn {
namespace {

using namespace std::chrono_literals;
using Clock = Debouncer::Clock;
using Ms = std::chrono::milliseconds;

const Clock::time_point t0 = Clock::time_point() + 1000h;

struct Step {
    enum class Kind { event, cancel };
    int atMs;
    Kind kind = Kind::event;
};

struct Case {
    std::string name;
    int intervalMs;
    std::vector<Step> steps; // in time order
    std::vector<int> deliveredAtMs;
};

// Plays the steps the way the watcher's thread does: sleeps until nextWake(), takes what is
// due there (a little late), and handles each step at its time.
std::vector<int> play(const Case& c) {
    Debouncer debouncer(Ms(c.intervalMs));
    std::vector<int> delivered;
    auto deliverUntil = [&](Clock::time_point until) {
        while (const auto wake = debouncer.nextWake()) {
            if (*wake > until)
                return;
            // Not due a moment before its wake; due, and only once, however late it is taken.
            if (debouncer.takeDue(*wake - 1ms) || !debouncer.takeDue(*wake + 50ms)) {
                ADD_FAILURE() << "not due from its own wake time on";
                return;
            }
            delivered.push_back(int(std::chrono::duration_cast<Ms>(*wake - t0).count()));
        }
    };
    for (const Step& step : c.steps) {
        const Clock::time_point at = t0 + Ms(step.atMs);
        deliverUntil(at);
        if (step.kind == Step::Kind::event)
            debouncer.noteEvent(at);
        else
            debouncer.cancel();
    }
    deliverUntil(Clock::time_point::max());
    return delivered;
}

TEST(Debouncer, DeliversOncePerBurstAfterItsLastEvent) {
    constexpr auto cancel = Step::Kind::cancel;
    const std::vector<Case> cases = {
        {"a single event is delivered one interval later", 100, {{0}}, {100}},
        {"a burst is delivered once, one interval after its last event",
         100,
         {{0}, {30}, {60}},
         {160}},
        {"a steady stream with shorter gaps postpones delivery",
         100,
         {{0}, {90}, {180}, {270}, {360}},
         {460}},
        {"a quiet gap of a whole interval ends the burst", 100, {{0}, {100}, {150}}, {100, 250}},
        {"a cancelled burst is never delivered", 100, {{0}, {50}, {80, cancel}}, {}},
        {"an event after a cancel starts a new burst", 100, {{0}, {50, cancel}, {120}}, {220}},
        {"a cancel with nothing pending changes nothing", 100, {{10, cancel}, {20}}, {120}},
        {"a zero interval delivers each event at once", 0, {{0}, {10}}, {0, 10}},
        {"a negative interval counts as zero", -50, {{0}}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(play(c), c.deliveredAtMs);
    }
}

} // namespace
} // namespace dustlyn
