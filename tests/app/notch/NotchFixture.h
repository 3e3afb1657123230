#pragma once

#include "app/notch/NotchController.h"
#include "tests/app/model/ModelFixture.h"
#include "tests/app/notch/FakePlatform.h"

#include <functional>
#include <memory>
#include <string>

namespace dustlyn {

inline void PrintTo(NotchViewModel::Mode mode, std::ostream* out) {
    static const char* const names[] = {"pill", "open", "peek", "toast", "drop"};
    *out << names[static_cast<int>(mode)];
}

} // namespace dustlyn

namespace dustlyn::testing {

// A notch over a real model in a throw-away home (Desktop *.png leave after an hour), on
// a 1920 × 1080 screen with a 32-pixel top panel, with fake desktop services and time.
class NotchFixture : public ModelFixture {
protected:
    using Mode = NotchViewModel::Mode;

    NotchFixture();

    // Creates model and controller; `change` edits the configuration first.
    void start(const std::function<void(Configuration&)>& change = {});
    // A picture on the Desktop, `age` seconds old, seen by a rescan.
    std::filesystem::path addFile(const std::string& name, double age = 10,
                                  std::string_view content = "data");
    // Moves `names` (old enough to be due) to quarantine and returns what the sweep did.
    SweepSummary sweepFiles(std::initializer_list<std::string> names);
    // The leaving files whose names are given, as the model reports them.
    std::vector<MatchedFile> files(std::initializer_list<std::string> names) const;

    void moveTo(QPointF position, bool global = true);
    void click(QPointF position, bool global = true);
    void dragTo(QPointF position);
    void advance(double seconds) { timers_->advance(seconds); }
    Mode mode() const { return notch_->vm().mode(); }
    NotchViewModel& vm() { return notch_->vm(); }

    static constexpr QPointF topCentre{960, 4};
    static constexpr QPointF farAway{960, 900};

    FakeScreens screens_;
    FakeInput input_;
    FakeDrag drag_;
    FakeActiveWindow window_;
    FakeHotKey hotKey_;
    FakePanel* panel_ = nullptr;
    // Builds the panel when set; the fake panel above otherwise.
    NotchController::PanelFactory panelFactory_;
    int settingsOpened_ = 0;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<NotchController> notch_;
};

} // namespace dustlyn::testing
