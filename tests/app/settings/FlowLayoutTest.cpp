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

TEST(FlowLayout, aWidthForOneWordStacksEveryWordOnItsOwnLine) {
    const std::vector<QSize> words{{30, 10}, {40, 12}, {20, 10}};
    const QSize size = FlowLayout::measure(words, 40, spacing, lineSpacing);
    EXPECT_EQ(size, QSize(40, 10 + lineSpacing + 12 + lineSpacing + 10));
    const auto placed = FlowLayout::place(words, QRect(5, 7, 40, 100), spacing, lineSpacing);
    EXPECT_EQ(placed, (std::vector<QRect>{QRect(5, 7, 30, 10), QRect(5, 19, 40, 12),
                                          QRect(5, 33, 20, 10)}));
}

TEST(FlowLayout, wordsThatFitExactlyShareALine) {
    const std::vector<QSize> words{{10, 10}, {10, 14}};
    EXPECT_EQ(FlowLayout::measure(words, 24, spacing, lineSpacing), QSize(24, 14));
    EXPECT_EQ(FlowLayout::measure(words, 23, spacing, lineSpacing), QSize(10, 26));
    EXPECT_EQ(FlowLayout::place(words, QRect(0, 0, 24, 50), spacing, lineSpacing)[1],
              QRect(14, 0, 10, 14));
}

TEST(FlowLayout, aChildWiderThanTheWidthGetsItsOwnLineAndOverflows) {
    const std::vector<QSize> words{{10, 10}, {50, 10}, {10, 10}};
    const auto placed = FlowLayout::place(words, QRect(0, 0, 30, 100), spacing, lineSpacing);
    EXPECT_EQ(placed[0], QRect(0, 0, 10, 10));
    EXPECT_EQ(placed[1], QRect(0, 12, 50, 10));
    EXPECT_EQ(placed[2], QRect(0, 24, 10, 10));
    EXPECT_EQ(FlowLayout::measure(words, 30, spacing, lineSpacing), QSize(30, 34));
}

TEST(FlowLayout, withoutAWidthEverythingIsOneLine) {
    const std::vector<QSize> words{{10, 10}, {20, 12}};
    EXPECT_EQ(FlowLayout::measure(words, std::nullopt, spacing, lineSpacing), QSize(34, 12));
    EXPECT_EQ(FlowLayout::measure({}, 100, spacing, lineSpacing), QSize(0, 0));
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
