#pragma once

#include "app/platform/FileBrowser.h"
#include "app/platform/LoginItem.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dustlyn::testing {

// A login item that is only a flag; off until turned on, refused with `refusal` when set.
class RecordingLoginItem : public LoginItem {
public:
    bool on = false;
    std::string refusal;
    void registerItem() override {
        if (!refusal.empty())
            throw LoginItemError(refusal);
        on = true;
    }
    void unregisterItem() override { on = false; }
    bool enabled() const override { return on; }
};

class RecordingFileBrowser : public FileBrowser {
public:
    std::vector<std::filesystem::path> revealed;
    std::vector<std::filesystem::path> opened;
    void reveal(const std::filesystem::path& file) override { revealed.push_back(file); }
    void open(const std::filesystem::path& file) override { opened.push_back(file); }
};

} // namespace dustlyn::testing
