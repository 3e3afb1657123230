#include "app/notch/DropZone.h"
#include "app/notch/DropZones.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/NotchTabs.h"
#include "app/notch/OpenPanel.h"
#include "app/notch/PeekCard.h"
#include "app/notch/ToastRow.h"
#include "tests/app/notch/ViewFixture.h"

namespace dustlyn::testing {
namespace {

// The faces other than the pill are made only when one is about to show; a resting notch
// loads no fonts.
class FaceMaking : public ViewFixture {
protected:
    // The faces made so far, pill aside, in the order of the modes.
    std::string made() {
        std::string names;
        const auto add = [&](bool made, const char* name) {
            if (made)
                names += names.empty() ? name : std::string(" ") + name;
        };
        add(!root().findChildren<OpenPanel*>().empty(), "open");
        add(!root().findChildren<PeekCard*>().empty(), "peek");
        add(!root().findChildren<ToastRow*>().empty(), "toast");
        add(!root().findChildren<DropZones*>().empty(), "drop");
        return names;
    }
    void dragFiles(QPointF position) {
        drag_.count = 1;
        drag_.files = true;
        dragTo(position);
    }
};

TEST_F(FaceMaking, aFaceAboutToShowIsMadeAheadOfItsDelay) {
    const struct {
        const char* name;
        std::function<void()> act;
        const char* made;
    } cases[] = {
        {"atRest", [] {}, ""},
        {"thePointerOnTheHotZone", [this] { moveTo(topCentre); }, "open"},
        {"thePointerFarAway", [this] { moveTo(farAway); }, ""},
        {"filesDraggedStillFarAway", [this] { dragFiles(farAway); }, "drop"},
        {"aDragOfNoFiles",
         [this] {
             drag_.count = 1;
             dragTo({960, 60});
         },
         ""},
        {"newFilesWaitingForTheirPeek",
         [this] {
             addFile("a.png");
             notch_->handleNewFiles(files({"a.png"}));
         },
         "peek"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startViews();
        c.act();
        EXPECT_EQ(mode(), Mode::pill);
        EXPECT_EQ(made(), c.made);
    }
}

TEST_F(FaceMaking, aFaceFirstMadeAsItShowsHoldsItsContent) {
    const struct {
        const char* name;
        std::function<void()> show;
        Mode mode;
        std::function<QWidget*()> check;
    } cases[] = {
        {"theHotKeyOpensThePanel", [this] { hotKey_.action(); }, Mode::open,
         [this] {
             OpenPanel& open = root().openPanel();
             EXPECT_EQ(open.tabs().accessibleTabName(0), "Leaving soon (1)");
             EXPECT_TRUE(panel().isKey());
             return &open;
         }},
        {"aPeek", [this] { notch_->peek(files({"a.png"}), true); }, Mode::peek,
         [this] {
             PeekCard& card = root().peekCard();
             EXPECT_EQ(card.titleText().text(), "New file");
             EXPECT_EQ(card.nameText().text(), "a.png");
             return &card;
         }},
        {"aSweepsToast", [this] { notch_->handleSweep(sweepFiles({"old.png"})); }, Mode::toast,
         [this] {
             ToastRow& toast = root().toastRow();
             EXPECT_EQ(toast.titleText().text(), "Moved 1 file to quarantine");
             EXPECT_TRUE(toast.undoButton().isVisible());
             return &toast;
         }},
        {"aDragReachingTheNotch",
         [this] {
             dragFiles({960, 60});
         },
         Mode::drop,
         [this] {
             DropZones& zones = root().dropZones();
             EXPECT_EQ(zones.keepZone().title(), "Keep forever");
             EXPECT_TRUE(zones.keepZone().isVisible());
             return &zones;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startViews();
        addFile("a.png");
        ASSERT_EQ(made(), "");
        c.show();
        settle();
        ASSERT_EQ(mode(), c.mode);
        QWidget* face = c.check();
        EXPECT_EQ(root().face(), face);
        EXPECT_TRUE(face->isVisible());
        EXPECT_EQ(face->geometry().size(),
                  root().bodyTarget().size().toSize() - QSize(0, int(vm().geometry().notchHeight)));
    }
}

} // namespace
} // namespace dustlyn::testing
