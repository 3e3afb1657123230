#include "app/notch/DropZone.h"
#include "app/notch/DropZones.h"
#include "tests/app/notch/ViewFixture.h"

namespace dustlyn::testing {
namespace {

using Tab = NotchViewModel::Tab;

constexpr double band = 32; // the fixture's top panel

class Frame : public ViewFixture {
protected:
    // Checks the drawn body against its size and corners, and that a shadow falls under
    // every face but the pill.
    void check(QSizeF body, NotchShape shape) {
        settle();
        waitForPictures();
        settle();
        EXPECT_EQ(root().bodyTarget().size(), body);
        EXPECT_EQ(root().shapeTarget(), shape);
        root().setShadowEnabled(false);
        checkOutline(grabPanel(), body, shape.topRadius);
        root().setShadowEnabled(true);
        const QImage shadowed = grabPanel();
        const QPointF below = QPointF(360, body.height() + 12) * shadowed.devicePixelRatio();
        if (vm().mode() == Mode::pill)
            EXPECT_EQ(qAlpha(shadowed.pixel(below.toPoint())), 0) << "no shadow under the pill";
        else
            EXPECT_GT(qAlpha(shadowed.pixel(below.toPoint())), 8) << "a shadow under the body";
    }

private:
    // The painted extent is the body with its shoulders; the shoulders and the bottom
    // corners are curved (transparent just inside the bounding box's corners).
    static void checkOutline(const QImage& image, QSizeF body, double t) {
        const double ratio = image.devicePixelRatio();
        const QRectF drawn((720 - body.width()) / 2 - t, 0, body.width() + 2 * t, body.height());
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
        const QPointF inside(drawn.left() + t + 4, body.height() / 2);
        EXPECT_EQ(image.pixel((inside * ratio).toPoint()), qRgb(0, 0, 0));
    }
};

// One face of each mode over a desktop with screenshots, a download and a file already in
// quarantine.
TEST_F(Frame, everyFace) {
    startViews();
    const SweepSummary summary = sweepFiles({"Screenshot 2026-05-26 at 18.02.11.png"});
    addPicture("Screenshot 2026-05-28 at 09.41.12.png", 3120, QColor(52, 120, 246));
    addPicture("Screenshot 2026-05-28 at 10.02.55.png", 1500, QColor(240, 150, 60));
    addPicture("release-notes-2.4.png", 300, QColor(180, 80, 160));
    const struct {
        const char* name;
        std::function<void()> stage;
        QSizeF body;
        NotchShape shape;
    } faces[] = {
        {"pill", [] {}, {100, band}, {6, 9}},
        {"open", [this] { openOn(Tab::leaving); }, {580, band + 106 + 162}, {14, 28}},
        {"peek",
         [this] { notch_->peek(files({"Screenshot 2026-05-28 at 10.02.55.png"}), true); },
         {480, band + 146},
         {14, 28}},
        {"toast", [&] { notch_->handleSweep(summary); }, {400, band + 60}, {14, 22}},
        {"drop",
         [this] {
             input_.pointer = QPointF(900, 90); // over the zones: the drag is still near
             notch_->demo("drop");
             settle();
             root().dropZones().keepZone().setTargeted(true);
         },
         {480, band + 128},
         {14, 28}},
    };
    for (const auto& face : faces) {
        SCOPED_TRACE(face.name);
        notch_->close();
        face.stage();
        check(face.body, face.shape);
    }
}

} // namespace
} // namespace dustlyn::testing
