#include "app/notch/DropZone.h"
#include "app/notch/DropZones.h"
#include "tests/app/notch/ViewFixture.h"

#include <sys/xattr.h>

namespace dustlyn::testing {
namespace {

using Mode = NotchViewModel::Mode;
using Tab = NotchViewModel::Tab;

constexpr double band = 32; // the fixture's top panel

// What one face must look like: the body's size and corners.
struct Face {
    const char* name;
    std::function<void(class Frame&)> stage;
    QSizeF body;
    NotchShape shape;
};

class Frame : public ViewFixture {
public:
    using ViewFixture::addPicture;
    using ViewFixture::openOn;
    void peekAt(std::initializer_list<std::string> names) { notch_->peek(files(names), true); }
    void sweepToast() { notch_->handleSweep(summary_.value()); }
    void hoverKeepZone() {
        input_.pointer = QPointF(900, 90); // over the zones: the drag is still near
        notch_->demo("drop");
        settle();
        root().dropZones().keepZone().setTargeted(true);
    }
    // A desktop with screenshots and a download, and two files already in quarantine.
    void stageDesktop() {
        summary_ = sweepFiles({"Screenshot 2026-05-26 at 18.02.11.png", "old-diagram.png"});
        addPicture("Screenshot 2026-05-28 at 09.41.12.png", 3120, QColor(52, 120, 246));
        addPicture("Screenshot 2026-05-28 at 10.02.55.png", 1500, QColor(240, 150, 60));
        addPicture("Screenshot 2026-05-28 at 10.15.40.png", 900, QColor(90, 180, 120));
        const auto download = addPicture("release-notes-2.4.png", 300, QColor(180, 80, 160));
        const std::string origin = "https://www.github.com/dustlyn/releases";
        ::setxattr(download.c_str(), "user.xdg.origin.url", origin.data(), origin.size(), 0);
        model_->refresh();
    }

    // Checks the drawn body against `face` and writes the picture where asked.
    void check(const Face& face) {
        face.stage(*this);
        settle();
        waitForPictures();
        settle();
        const QRectF body = root().bodyTarget();
        EXPECT_EQ(body.size(), face.body);
        EXPECT_EQ(root().shapeTarget(), face.shape);
        root().setShadowEnabled(false);
        checkOutline(grabPanel(), face);
        root().setShadowEnabled(true);
        const QImage shadowed = grabPanel();
        const QPointF below = QPointF(360, face.body.height() + 12) * shadowed.devicePixelRatio();
        if (vm().mode() == Mode::pill)
            EXPECT_EQ(qAlpha(shadowed.pixel(below.toPoint())), 0) << "no shadow under the pill";
        else
            EXPECT_GT(qAlpha(shadowed.pixel(below.toPoint())), 8) << "a shadow under the body";
    }

private:
    // The painted extent is the body with its shoulders; the shoulders and the bottom
    // corners are curved (transparent just inside the bounding box's corners).
    void checkOutline(const QImage& image, const Face& face) {
        const double ratio = image.devicePixelRatio();
        const double t = face.shape.topRadius;
        const QRectF drawn((720 - face.body.width()) / 2 - t, 0, face.body.width() + 2 * t,
                           face.body.height());
        QRect painted;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0)
                    painted |= QRect(x, y, 1, 1);
        EXPECT_NEAR(painted.left() / ratio, drawn.left(), 1);
        EXPECT_NEAR((painted.right() + 1) / ratio, drawn.right(), 1);
        EXPECT_EQ(painted.top(), 0);
        EXPECT_NEAR((painted.bottom() + 1) / ratio, drawn.bottom(), 1);
        const auto alphaAt = [&](QPointF point) {
            return qAlpha(image.pixel((point * ratio).toPoint()));
        };
        const double below = t - 1; // under a shoulder's curve
        const double bottom = drawn.bottom() - 1;
        for (const QPointF corner :
             {QPointF(drawn.left() + 1, below), QPointF(drawn.right() - 1, below),
              QPointF(drawn.left() + t + 1, bottom), QPointF(drawn.right() - t - 1, bottom)})
            EXPECT_EQ(alphaAt(corner), 0) << corner.x() << "," << corner.y();
        const QPointF inside(drawn.left() + t + 4, face.body.height() / 2);
        EXPECT_EQ(image.pixel((inside * ratio).toPoint()), qRgb(0, 0, 0));
    }

    std::optional<SweepSummary> summary_;
};

// Every face, the empty ones first, then over a lived-in desktop.
TEST_F(Frame, everyFace) {
    startViews();
    const Face faces[] = {
        {"open-leaving-empty",
         [](Frame& f) { f.openOn(Tab::leaving); },
         {580, band + 106 + 104},
         {14, 28}},
        {"pill",
         [](Frame& f) {
             f.addPicture("Screenshot 2026-05-28 at 10.15.40.png", 900, Qt::darkGreen);
         },
         {100, band},
         {6, 9}},
        {"open-leaving",
         [](Frame& f) {
             f.stageDesktop();
             f.openOn(Tab::leaving);
         },
         {580, band + 106 + 218},
         {14, 28}},
        {"open-quarantine",
         [](Frame& f) { f.openOn(Tab::quarantine); },
         {580, band + 106 + 106},
         {14, 28}},
        {"peek-one",
         [](Frame& f) { f.peekAt({"Screenshot 2026-05-28 at 10.02.55.png"}); },
         {480, band + 146},
         {14, 28}},
        {"peek-several",
         [](Frame& f) {
             f.peekAt({"Screenshot 2026-05-28 at 09.41.12.png",
                       "Screenshot 2026-05-28 at 10.02.55.png",
                       "Screenshot 2026-05-28 at 10.15.40.png", "release-notes-2.4.png"});
         },
         {480, band + 140},
         {14, 28}},
        {"toast-sweep", [](Frame& f) { f.sweepToast(); }, {400, band + 60}, {14, 22}},
        {"drop-hovered", [](Frame& f) { f.hoverKeepZone(); }, {480, band + 128}, {14, 28}},
    };
    for (const Face& face : faces) {
        SCOPED_TRACE(face.name);
        notch_->close();
        check(face);
    }
}

} // namespace
} // namespace dustlyn::testing
