#include "tests/app/notch/NotchFixture.h"

#include <unistd.h>

namespace dustlyn::testing {

NotchFixture::NotchFixture() {
    screens_.list = {{QRectF(0, 0, 1920, 1080), QRectF(0, 32, 1920, 1048), 0, {}, {}}};
    screens_.main = 0;
}

void NotchFixture::start(const std::function<void(Configuration&)>& change) {
    notch_.reset(); // the old controller lets go of the services first
    Configuration config = baseConfig();
    config.rules.front().ageThreshold = 3600;
    if (change)
        change(config);
    saveConfig(config);
    model_ = makeModel();
    model_->refresh();
    NotchServices services{screens_, input_, drag_, window_, hotKey_, clock_, timers_, ::getpid()};
    NotchController::PanelFactory factory = panelFactory_;
    if (!factory)
        factory = [this](NotchController&) {
            auto panel = std::make_unique<FakePanel>();
            panel_ = panel.get();
            return panel;
        };
    notch_ = std::make_unique<NotchController>(*model_, services, factory,
                                               [this] { ++settingsOpened_; });
}

std::filesystem::path NotchFixture::addFile(const std::string& name, double age,
                                            std::string_view content) {
    const auto file = makeFile("Desktop/" + name, age, content);
    model_->refresh();
    return file;
}

SweepSummary NotchFixture::sweepFiles(std::initializer_list<std::string> names) {
    for (const auto& name : names)
        addFile(name, 7200);
    std::optional<SweepSummary> summary;
    model_->onSweep = [&](const SweepSummary& s) { summary = s; };
    model_->sweepNow(SweepSource::user);
    model_->onSweep = nullptr;
    return summary.value();
}

std::vector<MatchedFile> NotchFixture::files(std::initializer_list<std::string> names) const {
    std::vector<MatchedFile> found;
    for (const auto& name : names)
        for (const auto& file : model_->leaving())
            if (std::filesystem::path(file.url).filename() == name)
                found.push_back(file);
    return found;
}

void NotchFixture::moveTo(QPointF position, bool global) {
    input_.pointer = position;
    input_.onPointerEvent(PointerEventType::moved, global);
}

void NotchFixture::click(QPointF position, bool global) {
    input_.pointer = position;
    input_.onPointerEvent(PointerEventType::leftDown, global);
    input_.onPointerEvent(PointerEventType::leftUp, global);
}

void NotchFixture::dragTo(QPointF position) {
    input_.pointer = position;
    input_.onPointerEvent(PointerEventType::leftDragged, true);
}

} // namespace dustlyn::testing
