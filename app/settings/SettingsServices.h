#pragma once

#include "app/model/Clock.h"
#include "app/platform/FileBrowser.h"
#include "app/platform/LoginItem.h"
#include "app/settings/FileChooser.h"

#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>

namespace dustlyn {

// What the settings window needs besides the model: desktop services behind interfaces,
// so tests can stand in for them.
struct SettingsServices {
    std::shared_ptr<LoginItem> loginItem;
    std::shared_ptr<FileBrowser> fileBrowser;
    std::shared_ptr<FileChooser> chooser;
    std::shared_ptr<Clock> clock;
    // Opens a web page (the share page) in the user's browser.
    std::function<void(const QUrl&)> openUrl;
    // The file in which the window's geometry is remembered (QSettings, INI format).
    std::filesystem::path geometryFile;
};

} // namespace dustlyn
