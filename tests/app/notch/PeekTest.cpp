#include "tests/app/notch/NotchFixture.h"

namespace dustlyn::testing {
namespace {

class Peek : public NotchFixture {
protected:
    void SetUp() override { start(); }

    // Announces a new file the way the model does.
    void arrive(const std::string& name) {
        addFile(name);
        notch_->handleNewFiles(files({name}));
    }
    std::vector<std::string> peeked() {
        std::vector<std::string> names;
        for (const auto& file : vm().peekFiles())
            names.push_back(std::filesystem::path(file.url).filename());
        return names;
    }
};

TEST_F(Peek, filesInQuickSuccessionMakeOnePeekAfterTheLast) {
    arrive("a.png");
    advance(1.0);
    arrive("b.png");
    notch_->handleNewFiles(files({"a.png"})); // announced twice, peeked once
    advance(1.19);
    EXPECT_EQ(mode(), Mode::pill);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::peek);
    EXPECT_EQ(peeked(), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_NEAR(secondsBetween(clock_->now(), vm().peekEndsAt()), 3.99, 1e-6);
    advance(3.97);
    EXPECT_EQ(mode(), Mode::peek);
    advance(0.04);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Peek, waitsWhileTheUserTypesButNotForEver) {
    input_.sinceKeyPress = 1.0; // typing
    arrive("a.png");
    advance(1.21);
    EXPECT_EQ(mode(), Mode::pill);
    input_.sinceKeyPress = 2.0; // a pause: the next retry shows it
    advance(0.5);
    EXPECT_EQ(mode(), Mode::peek);

    advance(120);               // past the ration
    input_.sinceKeyPress = 0.1; // typing without pause: at most 20 retries
    arrive("b.png");
    advance(1.2 + 20 * 0.5 - 0.01);
    EXPECT_EQ(mode(), Mode::pill);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::peek);
}

TEST_F(Peek, atMostOneAutomaticPeekEveryTwoMinutes) {
    const struct {
        double after;
        bool shown;
    } cases[] = {{90, false}, {119.9, false}, {120.1, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        start();
        arrive("first.png");
        advance(1.21);
        ASSERT_EQ(mode(), Mode::peek);
        advance(c.after - 1.21);
        arrive("second" + std::to_string(c.after) + ".png");
        advance(1.21);
        EXPECT_EQ(mode() == Mode::peek, c.shown);
        advance(200);
    }
}

TEST_F(Peek, aFileNoLongerCountingDownIsLeftOut) {
    arrive("a.png");
    arrive("b.png");
    model_->keep(files({"a.png"}).front().url);
    advance(1.21);
    EXPECT_EQ(peeked(), std::vector<std::string>{"b.png"});
}

TEST_F(Peek, aFlushReplacesAToastAndASweepToastReplacesAPeek) {
    notch_->demo("toast");
    arrive("a.png");
    advance(1.21);
    EXPECT_EQ(mode(), Mode::peek);
    const SweepSummary summary{Uuid::random(), {}, 2, 10, std::nullopt};
    notch_->handleSweep(summary);
    EXPECT_EQ(mode(), Mode::toast);
    EXPECT_EQ(vm().toast(), Toast::sweep(summary));
    advance(3.19);
    EXPECT_EQ(mode(), Mode::toast);
    advance(0.02);
    EXPECT_EQ(mode(), Mode::pill);
}

TEST_F(Peek, nothingWhenSwitchedOffOrQuietAndFilesArrivingWhileOpenAreDiscardedNotHeld) {
    start([](Configuration& config) { config.notch.peekOnNewFiles = false; });
    arrive("a.png");
    advance(2);
    EXPECT_EQ(mode(), Mode::pill);
    start();
    window_.state = ActiveWindowState{7, QRectF(0, 0, 1920, 1080), false};
    advance(2);
    ASSERT_TRUE(vm().hidden());
    arrive("b.png");
    advance(2);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_TRUE(notch_->vm().peekFiles().empty());

    start();
    notch_->open(false);
    arrive("c.png");
    advance(1.21);
    EXPECT_EQ(mode(), Mode::open);
    notch_->close();
    advance(30);
    EXPECT_EQ(mode(), Mode::pill);
    EXPECT_TRUE(vm().peekFiles().empty());
}

} // namespace
} // namespace dustlyn::testing
