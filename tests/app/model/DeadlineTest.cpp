#include "app/model/SweepSchedule.h"
#include "tests/app/model/ModelFixture.h"

namespace dustlyn::testing {
namespace {

namespace fs = std::filesystem;

class Deadlines : public ModelFixture {
protected:
    // The Desktop rule with a one-hour age, so files are due exactly when the test says.
    void useRule(double checkInterval, double age = 3600) {
        configure([&](Configuration& config) {
            config.rules.front().ageThreshold = age;
            config.checkInterval = checkInterval;
        });
    }
};

TEST_F(Deadlines, aNearDeadlineArmsAOneShotWithHalfASecondOfSlackAndTheChainStops) {
    useRule(300);
    makeFile("Desktop/soon.png", 3600 - 40);
    makeFile("Desktop/later.png", 3600 - 640);
    auto model = makeModel();
    model->refresh();
    EXPECT_TRUE(timers_->pendingSingleShots().empty()) << "a stopped model arms none";
    model->start();
    timers_->advance(0.05); // the start-up sweep
    ASSERT_EQ(model->leaving().size(), 2u);
    EXPECT_EQ(fs::path(model->leaving()[0].url).filename(), "soon.png") << "soonest first";
    EXPECT_EQ(timers_->pendingSingleShots(), std::vector<double>{40.5 - 0.05});
    timers_->advance(40.45);
    EXPECT_FALSE(fs::exists(home_ / "Desktop/soon.png"));
    // The next deadline is ten minutes away, beyond the check interval: no one-shot.
    EXPECT_TRUE(timers_->pendingSingleShots().empty());
    EXPECT_TRUE(fs::exists(home_ / "Desktop/later.png"));
}

TEST_F(Deadlines, theOneShotIsComparedWithTheConfiguredIntervalNotTheClampedPeriod) {
    for (const auto& [interval, remaining, armed] : std::vector<std::tuple<double, double, bool>>{
             {300, 400, false}, {300, 299, true}, {30, 30, false}, {30, 29, true}}) {
        SCOPED_TRACE(std::to_string(interval) + " " + std::to_string(remaining));
        useRule(interval);
        const fs::path file = makeFile("Desktop/f.png", 3600 - remaining);
        auto model = makeModel();
        model->start();
        EXPECT_EQ(timers_->pendingSingleShots().size(), armed ? 2u : 1u); // + the start-up sweep
        model->stop();
        fs::remove(file);
    }
}

TEST_F(Deadlines, aQuarantinedFileExpiringSoonWakesTheModelToDeleteIt) {
    configure([](Configuration& config) { config.quarantineTTL = 3600; });
    writeFile(quarantine() / "expiring.png");
    setModificationDate(quarantine() / "expiring.png", dateAfter(clock_->now(), -(3600 - 120)));
    auto model = makeModel();
    model->start();
    timers_->advance(0.05);
    EXPECT_EQ(timers_->pendingSingleShots(), std::vector<double>{120.5 - 0.05});
    timers_->advance(120.45);
    EXPECT_FALSE(fs::exists(quarantine() / "expiring.png"));
}

TEST_F(Deadlines, aTimerSetOnAKeptFileUnkeepsItAndItLeavesOnTime) {
    useRule(300);
    const fs::path file = makeFile("Desktop/kept.png", 10);
    auto model = makeModel();
    model->keep(file);
    model->start();
    timers_->advance(0.05);
    ASSERT_TRUE(model->setTimer(file, 2));
    EXPECT_TRUE(model->config().pins.empty());
    timers_->advance(2.0);
    EXPECT_TRUE(fs::exists(file));
    timers_->advance(0.5);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(model->config().timers.empty()); // pruned by the sweep that moved it
}

// Files present at the first scan are not news, nor files copied in with old dates, nor a
// file given a timer. An empty first scan equals the report the model starts with; it still
// counts as the first.
TEST_F(Deadlines, newFilesAreAnnouncedOnlyWhenTheyArriveRecentlyAfterTheFirstScan) {
    for (const bool emptyAtFirst : {false, true}) {
        SCOPED_TRACE(emptyAtFirst);
        useRule(300, 86400);
        fs::remove_all(home_ / "Desktop");
        fs::create_directories(home_ / "Desktop");
        if (!emptyAtFirst)
            makeFile("Desktop/present.png", 5);
        auto model = makeModel();
        std::vector<std::vector<std::string>> announced;
        model->onNewFiles = [&](const std::vector<MatchedFile>& files) {
            announced.emplace_back();
            for (const auto& file : files)
                announced.back().push_back(file.url);
        };
        model->refresh();
        model->refresh();
        timers_->advance(60);
        const fs::path fresh = makeFile("Desktop/fresh.png", 1);
        makeFile("Desktop/copied-old.png", 7200);
        model->refresh();
        model->refresh();
        model->setTimer(makeFile("Desktop/timed.txt", 1), 600);
        EXPECT_EQ(announced, std::vector<std::vector<std::string>>{{fresh.native()}});
    }
}

TEST(SweepScheduleRules, deadlinesInThePastAreNoCandidates) {
    const Date now = dateFromUnix(1'000'000);
    ScanReport report;
    ScanResult result;
    result.files.push_back(MatchedFile("/a", 1, now, Uuid::random(), true, dateAfter(now, -5)));
    report.results.push_back(result);
    EXPECT_FALSE(SweepSchedule::deadlineDelay(report, {}, 300, now));
    report.results[0].files.push_back(
        MatchedFile("/b", 1, now, Uuid::random(), false, dateAfter(now, 10)));
    EXPECT_EQ(SweepSchedule::deadlineDelay(report, {}, 300, now), 10.5);
}

} // namespace
} // namespace dustlyn::testing
