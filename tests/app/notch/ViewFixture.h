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

// A window system that composites and asks for nothing: the shapes it is told are not
// what these tests look at.
class CompositingWindowSystem : public PanelWindowSystem {
public:
    void preparePanel(QWindow&) override {}
    void setInputShape(QWindow&, const QRegion&) override {}
    void setBoundingShape(QWindow&, const QRegion&) override {}
    bool compositing() const override { return true; }
    void activate(QWindow& window) override { window.requestActivate(); }
};

// The notch with its real panel and views, drawn offscreen over a real model in a
// throw-away home.
class ViewFixture : public NotchFixture {
protected:
    ViewFixture();
    ~ViewFixture() override;

    // Starts model, controller and panel, and shows the panel.
    void startViews(const std::function<void(Configuration&)>& change = {});
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
    // The panel as drawn, shadow and all.
    QImage grabPanel();

    TempDir thumbnailFolder_;
    ThumbnailCache thumbnails_;
    CompositingWindowSystem windowSystem_;
    RecordingFileBrowser fileBrowser_;
    NotchPanel* view_ = nullptr;
};

} // namespace dustlyn::testing
