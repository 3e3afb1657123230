#pragma once

#include "app/model/AppModel.h"
#include "core/quarantine/FileManagerDeleter.h"
#include "core/quarantine/FileManagerMover.h"
#include "tests/app/model/FakeTime.h"
#include "tests/core/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace dustlyn::testing {

class RecordingTrashEmptier : public TrashEmptier {
public:
    int calls = 0;
    bool fail = false;
    void emptyTrash() override {
        ++calls;
        if (fail)
            throw std::runtime_error("trash refused");
    }
};

// A throw-away home whose configuration holds a Desktop rule (*.png, 60 s by modification
// date), with real files, a fake clock and fake timers.
class ModelFixture : public ::testing::Test {
protected:
    ModelFixture();

    PurgeRule desktopRule() const;
    // Writes the configuration file the model will load.
    void saveConfig(const Configuration& config) const;
    Configuration baseConfig() const;
    // Saves the base configuration as `change` leaves it.
    void configure(const std::function<void(Configuration&)>& change) const;
    // A file whose modification date lies `age` seconds before the fake now.
    std::filesystem::path makeFile(const std::string& relative, double age,
                                   std::string_view content = "data");
    std::unique_ptr<AppModel> makeModel(std::shared_ptr<FileMover> mover = nullptr);
    std::filesystem::path quarantine() const;

    TempDir home_;
    UserFolders folders_;
    Date start_;
    std::shared_ptr<FakeClock> clock_;
    std::shared_ptr<FakeTimers> timers_;
    std::shared_ptr<RecordingTrashEmptier> trash_ = std::make_shared<RecordingTrashEmptier>();
    Uuid ruleID_ = Uuid::random();
};

} // namespace dustlyn::testing
