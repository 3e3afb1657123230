#pragma once

#include "app/platform/TrayIcon.h"

#include <functional>

namespace dustlyn {

// The tray item: shown exactly while the user wants it, with the menu "Open Dustlyn",
// "Settings…" and "Quit Dustlyn"; a plain click opens the notch panel.
class StatusBar {
public:
    StatusBar(TrayIcon& tray, std::function<void()> onOpen, std::function<void()> onSettings,
              std::function<void()> onQuit);
    ~StatusBar();
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    void showIcon();
    void removeIcon();
    bool shown() const { return tray_.visible(); }

private:
    TrayIcon& tray_;
    std::function<void()> onOpen_;
    std::function<void()> onSettings_;
    std::function<void()> onQuit_;
};

} // namespace dustlyn
