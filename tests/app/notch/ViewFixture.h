#pragma once

#include "app/insights/ThumbnailCache.h"
#include "app/notch/NotchPanel.h"
#include "app/notch/NotchRootView.h"
#include "app/notch/OpenPanel.h"
#include "app/platform/PanelWindowSystem.h"
#include "tests/app/notch/NotchFixture.h"
#include "tests/app/support/Recorders.h"
#include "tests/app/support/UiTestApp.h"

#include <QColor>
#include <QImage>
#include <QWindow>

#include <vector>

inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace dustlyn::testing {

// The window system's side of the panel, as last told.
class RecordingWindowSystem : public PanelWindowSystem {
public:
    bool composite = true;
    int prepared = 0;
    int activated = 0;
    QRegion input;
    QRegion bounding;

    void preparePanel(QWindow&) override { ++prepared; }
    void setInputShape(QWindow&, const QRegion& region) override { input = region; }
    void setBoundingShape(QWindow&, const QRegion& region) override { bounding = region; }
    bool compositing() const override { return composite; }
    void activate(QWindow& window) override {
        ++activated;
        window.requestActivate();
    }
};

// The notch with its real panel and views, drawn offscreen over a real model in a
// throw-away home.
class ViewFixture : public NotchFixture {
protected:
    ViewFixture();
    ~ViewFixture() override;

    // Starts model, controller and panel, and shows the panel.
    void startViews(const std::function<void(Configuration&)>& change = {});
    NotchPanel& panel() { return *view_; }
    NotchRootView& root() { return view_->root(); }
    OpenPanel& open() { return root().openPanel(); }
    // Opens the panel on `tab`.
    void openOn(NotchViewModel::Tab tab);
    // Lets queued work run and ends every animation.
    void settle();
    // Waits until every picture in sight has been made.
    void waitForPictures();
    // A real picture on the Desktop, `age` seconds old, seen by a rescan.
    std::filesystem::path addPicture(const std::string& name, double age, QColor color);
    // Moves `names` (old enough to be due) to quarantine and returns what the sweep did.
    SweepSummary sweepFiles(std::initializer_list<std::string> names);
    // The panel as drawn, shadow and all.
    QImage grabPanel();

    TempDir thumbnailFolder_;
    ThumbnailCache thumbnails_;
    RecordingWindowSystem windowSystem_;
    RecordingFileBrowser fileBrowser_;
    NotchPanel* view_ = nullptr;
};

} // namespace dustlyn::testing
