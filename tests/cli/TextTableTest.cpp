#include "cli/TextTable.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace dustlyn {
namespace {

using Cells = std::initializer_list<std::string_view>;

template <std::size_t... I>
void withCells(const std::vector<std::string>& row, std::index_sequence<I...>,
               const std::function<void(Cells)>& use) {
    use({std::string_view(row[I])...});
}

// The table takes its rows as lists written out in the code; these tests have rows of a few
// sizes only.
void withCells(const std::vector<std::string>& row, const std::function<void(Cells)>& use) {
    switch (row.size()) {
    case 2:
        return withCells(row, std::make_index_sequence<2>(), use);
    case 3:
        return withCells(row, std::make_index_sequence<3>(), use);
    case 17:
        return withCells(row, std::make_index_sequence<17>(), use);
    default:
        FAIL() << "no row of " << row.size() << " cells in these tests";
    }
}

struct TableCase {
    std::string name;
    std::vector<bool> rightAligned;
    std::vector<std::vector<std::string>> rows;
    std::string expected;
};

class TextTableLayout : public ::testing::TestWithParam<TableCase> {};

TEST_P(TextTableLayout, measuresEveryRowThenWritesThemAligned) {
    const TableCase& table = GetParam();
    TextTable text(table.rightAligned);
    for (const auto& row : table.rows)
        withCells(row, [&](Cells cells) { text.measure(cells); });
    std::string out;
    for (const auto& row : table.rows)
        withCells(row, [&](Cells cells) { text.write(cells, out); });
    EXPECT_EQ(out, table.expected);
}

std::vector<std::string> numbered(const std::string& cell) {
    std::vector<std::string> row;
    for (int i = 1; i <= 17; ++i)
        row.push_back(cell.empty() ? std::to_string(i) : cell);
    return row;
}

INSTANTIATE_TEST_SUITE_P(
    TextTable, TextTableLayout,
    ::testing::Values(TableCase{"anEmptyTableWritesNothing", {}, {}, ""},
                      TableCase{"multiByteCellsTakeOneColumnPerCharacter",
                                {},
                                {{"ä€😀", "x"}, {"a", "y"}, {"日本", "z"}},
                                "ä€😀  x\na    y\n日本   z\n"},
                      TableCase{"aRightAlignedLastColumnIsPaddedOnTheLeft",
                                {false, true},
                                {{"a", "1"}, {"bb", "1000"}, {"ü", "1 kB"}},
                                "a      1\nbb  1000\nü   1 kB\n"},
                      TableCase{"emptyCellsAtTheEndLeaveNoPaddingBehind",
                                {},
                                {{"name", "x", "long"}, {"n", "", ""}, {"", "", ""}},
                                "name  x  long\nn\n\n"},
                      TableCase{"anEmptyCellInTheMiddleKeepsItsColumn",
                                {},
                                {{"a", "", "c"}, {"aa", "bbb", "c"}},
                                "a        c\naa  bbb  c\n"},
                      TableCase{"rowsOfMoreThanSixteenColumns",
                                {},
                                {numbered(""), numbered("x")},
                                "1  2  3  4  5  6  7  8  9  10  11  12  13  14  15  16  17\nx  x  "
                                "x  x  x  x  x  x  x  x   x   x   x   x   x   x   x\n"}),
    [](const auto& test) { return test.param.name; });

} // namespace
} // namespace dustlyn
