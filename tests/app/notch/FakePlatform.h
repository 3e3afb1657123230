#pragma once

#include "app/notch/NotchPanelHost.h"
#include "app/platform/ActiveWindow.h"
#include "app/platform/DragMonitor.h"
#include "app/platform/HotKey.h"
#include "app/platform/InputMonitor.h"
#include "app/platform/Screens.h"

#include <QSizeF>

#include <limits>
#include <optional>
#include <ostream>
#include <vector>

// Readable failures for Qt's geometry types.
inline void PrintTo(const QSizeF& s, std::ostream* out) {
    *out << s.width() << " x " << s.height();
}
inline void PrintTo(const QRectF& r, std::ostream* out) {
    *out << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace dustlyn::testing {

// Desktop services whose state the test sets by hand.

class FakeScreens : public Screens {
public:
    std::vector<ScreenDescription> list;
    std::optional<std::size_t> main;
    bool mirror = false;

    std::vector<ScreenDescription> screens() const override { return list; }
    std::optional<std::size_t> mainScreen() const override { return main; }
    bool mirrored() const override { return mirror; }
};

class FakeInput : public InputMonitor {
public:
    QPointF pointer{-100, 500}; // far from any notch
    double sinceKeyPress = std::numeric_limits<double>::infinity();

    QPointF pointerPosition() const override { return pointer; }
    double secondsSinceLastKeyPress() const override { return sinceKeyPress; }
};

class FakeDrag : public DragMonitor {
public:
    long count = 0;
    bool files = false;
    int offersAsked = 0;

    long changeCount() const override { return count; }
    bool offersFiles() override {
        ++offersAsked;
        return files;
    }
};

class FakeActiveWindow : public ActiveWindow {
public:
    std::optional<ActiveWindowState> state;
    std::optional<ActiveWindowState> current() const override { return state; }
};

class FakeHotKey : public HotKey {
public:
    bool on = false;
    void registerHotKey() override { on = true; }
    void unregisterHotKey() override { on = false; }
    bool registered() const override { return on; }
};

class FakePanel : public NotchPanelHost {
public:
    QRectF frame;
    QRectF input;
    bool key = false;
    bool front = false;

    void place(const QRectF& where) override { frame = where; }
    void orderFront() override { front = true; }
    void setInputRegion(const QRectF& region) override { input = region; }
    void makeKey() override { key = true; }
    void resignKey() override { key = false; }
    bool isKey() const override { return key; }
};

} // namespace dustlyn::testing
