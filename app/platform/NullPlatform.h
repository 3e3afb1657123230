#pragma once

#include "app/platform/Platform.h"

#include <limits>

namespace dustlyn {

// Services of a session without a desktop: nothing to see, nothing to follow.

class NullScreens final : public Screens {
public:
    std::vector<ScreenDescription> screens() const override { return {}; }
    std::optional<std::size_t> mainScreen() const override { return std::nullopt; }
    bool mirrored() const override { return false; }
};

class NullInputMonitor final : public InputMonitor {
public:
    QPointF pointerPosition() const override { return {}; }
    double secondsSinceLastKeyPress() const override {
        return std::numeric_limits<double>::infinity();
    }
};

class NullDragMonitor final : public DragMonitor {
public:
    long changeCount() const override { return 0; }
    bool offersFiles() override { return false; }
};

class NullActiveWindow final : public ActiveWindow {
public:
    std::optional<ActiveWindowState> current() const override { return std::nullopt; }
};

class NullHotKey final : public HotKey {
public:
    void registerHotKey() override {}
    void unregisterHotKey() override {}
    bool registered() const override { return false; }
};

class NullTrayIcon final : public TrayIcon {
public:
    void show(const QIcon&, const QString&, std::vector<TrayMenuItem>) override {}
    void hide() override {}
    bool visible() const override { return false; }
};

class NullLoginItem final : public LoginItem {
public:
    void registerItem() override {
        throw LoginItemError("this session has no desktop to start Dustlyn at login");
    }
    void unregisterItem() override {}
    bool enabled() const override { return false; }
};

class NullFileBrowser final : public FileBrowser {
public:
    void reveal(const std::filesystem::path&) override {}
    void open(const std::filesystem::path&) override {}
};

class NullPanelWindowSystem final : public PanelWindowSystem {
public:
    void preparePanel(QWindow&) override {}
    void setInputShape(QWindow&, const QRegion&) override {}
    void setBoundingShape(QWindow&, const QRegion&) override {}
    bool compositing() const override { return true; }
    void activate(QWindow&) override {}
};

} // namespace dustlyn
