#include "tests/app/model/ModelFixture.h"

namespace dustlyn::testing {

namespace fs = std::filesystem;

ModelFixture::ModelFixture()
    : folders_(UserFolders::make(home_.path())), start_(dateFromUnix(1'780'000'000)),
      clock_(std::make_shared<FakeClock>(start_)), timers_(std::make_shared<FakeTimers>(*clock_)) {
    fs::create_directories(home_ / "Desktop");
    saveConfig(baseConfig());
}

PurgeRule ModelFixture::desktopRule() const {
    return PurgeRule{
        ruleID_, "Desktop - Pictures",  true, {"~/Desktop"}, {FileMatcher::glob("*.png")},
        60,      AgeBasis::modification};
}

Configuration ModelFixture::baseConfig() const {
    Configuration config = Configuration::defaults(folders_);
    config.rules = {desktopRule()};
    return config;
}

void ModelFixture::saveConfig(const Configuration& config) const {
    ConfigurationStore::defaultStore(folders_).save(config);
}

void ModelFixture::configure(const std::function<void(Configuration&)>& change) const {
    Configuration config = baseConfig();
    change(config);
    saveConfig(config);
}

fs::path ModelFixture::makeFile(const std::string& relative, double age, std::string_view content) {
    const fs::path file = home_ / relative;
    writeFile(file, content);
    setModificationDate(file, dateAfter(clock_->now(), -age));
    return file;
}

std::unique_ptr<AppModel> ModelFixture::makeModel(std::shared_ptr<FileMover> mover) {
    AppModelServices services;
    services.folders = folders_;
    services.clock = clock_;
    services.timers = timers_;
    auto trash = trash_;
    services.trashEmptierFor = [trash](bool) -> std::shared_ptr<TrashEmptier> { return trash; };
    if (!mover)
        mover = std::make_shared<FileManagerMover>();
    return std::make_unique<AppModel>(ConfigurationStore::defaultStore(folders_), std::nullopt,
                                      Purger(mover, std::make_shared<FileManagerDeleter>()),
                                      nullptr, nullptr, services);
}

fs::path ModelFixture::quarantine() const {
    return folders_.supportDirectory() / "Quarantine";
}

} // namespace dustlyn::testing
