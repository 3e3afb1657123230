#pragma once

#include "app/platform/FileBrowser.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>

class QUrl;

namespace dustlyn {

// The desktop's file browser through org.freedesktop.FileManager1 on the session bus, which
// opens the folder with the file selected; where no browser answers, the folder is opened
// with its default application instead. Files open with theirs (QDesktopServices).
class FreedesktopFileBrowser final : public FileBrowser {
public:
    // `openUrl` opens a location with its default application; QDesktopServices by default.
    explicit FreedesktopFileBrowser(QDBusConnection bus,
                                    std::function<bool(const QUrl&)> openUrl = {});

    void reveal(const std::filesystem::path& file) override;
    void open(const std::filesystem::path& file) override;

private:
    void openOrReport(const QUrl& url);

    QDBusConnection bus_;
    std::function<bool(const QUrl&)> openUrl_;
    QObject context_; // pending answers die with the browser
};

} // namespace dustlyn
