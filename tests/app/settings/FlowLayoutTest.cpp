#include "app/settings/FlowLayout.h"
#include "app/settings/Token.h"
#include "tests/app/support/UiTestApp.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace dustlyn::testing {
namespace {

constexpr int spacing = 4;
constexpr int lineSpacing = 2;

TEST(FlowLayout, measuresAndPlacesWordsLineByLine) {
    const struct {
        const char* name;
        std::vector<QSize> words;
        std::optional<int> width; // none: one line
        QSize size;
        std::vector<QRect> placed; // in a 100-high rectangle of the width
    } rows[] = {
        {"aWidthForOneWordStacksThem",
         {{30, 10}, {40, 12}, {20, 10}},
         40,
         {40, 36},
         {{0, 0, 30, 10}, {0, 12, 40, 12}, {0, 26, 20, 10}}},
        {"wordsThatFitExactlyShareALine",
         {{10, 10}, {10, 14}},
         24,
         {24, 14},
         {{0, 0, 10, 10}, {14, 0, 10, 14}}},
        {"onePixelLessBreaksIt",
         {{10, 10}, {10, 14}},
         23,
         {10, 26},
         {{0, 0, 10, 10}, {0, 12, 10, 14}}},
        {"aWiderChildGetsItsOwnLineAndOverflows",
         {{10, 10}, {50, 10}, {10, 10}},
         30,
         {30, 34},
         {{0, 0, 10, 10}, {0, 12, 50, 10}, {0, 24, 10, 10}}},
        {"withoutAWidth", {{10, 10}, {20, 12}}, std::nullopt, {34, 12}, {}},
        {"nothing", {}, 100, {0, 0}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FlowLayout::measure(row.words, row.width, spacing, lineSpacing), row.size);
        if (row.width && !row.placed.empty()) {
            EXPECT_EQ(
                FlowLayout::place(row.words, QRect(0, 0, *row.width, 100), spacing, lineSpacing),
                row.placed);
        }
    }
}

TEST(FlowLayout, aSentenceGrowsTallerAsItsWidgetNarrows) {
    uiTestApp();
    QWidget sentence;
    auto* flow = new FlowLayout(spacing, lineSpacing, &sentence);
    addWords(*flow, QStringLiteral("Move  any file from Downloads untouched for"), &sentence);
    ASSERT_EQ(flow->count(), 7); // doubled spaces make no empty word
    const int oneLine = flow->heightForWidth(2000);
    const int wordHeight = flow->itemAt(0)->sizeHint().height();
    EXPECT_EQ(oneLine, wordHeight);
    EXPECT_EQ(flow->heightForWidth(1), 7 * wordHeight + 6 * lineSpacing);
    sentence.resize(sentence.sizeHint().width() / 2,
                    flow->heightForWidth(sentence.sizeHint().width() / 2));
    flow->activate();
    EXPECT_GT(flow->itemAt(6)->geometry().y(), 0);
    EXPECT_EQ(flow->itemAt(0)->geometry().topLeft(), QPoint(0, 0));
}

TEST(FlowLayout, hiddenChildrenTakeNoPlace) {
    uiTestApp();
    QWidget sentence;
    auto* flow = new FlowLayout(spacing, lineSpacing, &sentence);
    auto* a = new QLabel(QStringLiteral("a"), &sentence);
    auto* b = new QLabel(QStringLiteral("b"), &sentence);
    flow->addWidget(a);
    flow->addWidget(b);
    const int both = flow->sizeHint().width();
    b->hide();
    flow->invalidate();
    EXPECT_EQ(flow->sizeHint().width(), a->sizeHint().width());
    EXPECT_LT(flow->sizeHint().width(), both);
}

} // namespace
} // namespace dustlyn::testing
