#include "cli/TextTable.h"

#include <gtest/gtest.h>

namespace dustlyn {
namespace {

using Row = std::vector<std::string_view>;

// The table takes its rows as lists written out in the code: of two or three cells here.
template <typename Use> void withCells(const Row& row, Use use) {
    if (row.size() == 2)
        use({row[0], row[1]});
    else
        use({row[0], row[1], row[2]});
}

TEST(TextTable, MeasuresEveryRowThenWritesThemAligned) {
    const struct {
        const char* name;
        std::vector<bool> rightAligned;
        std::vector<Row> rows;
        std::string expected;
    } tables[] = {
        {"nothing", {}, {}, ""},
        {"multi-byte cells take one column per character",
         {},
         {{"ä€😀", "x"}, {"a", "y"}, {"日本", "z"}},
         "ä€😀  x\na    y\n日本   z\n"},
        {"a right-aligned last column is padded on the left",
         {false, true},
         {{"a", "1"}, {"bb", "1000"}, {"ü", "1 kB"}},
         "a      1\nbb  1000\nü   1 kB\n"},
        {"empty cells at the end leave no padding behind",
         {},
         {{"name", "x", "long"}, {"n", "", ""}, {"", "", ""}},
         "name  x  long\nn\n\n"},
        {"an empty cell in the middle keeps its column",
         {},
         {{"a", "", "c"}, {"aa", "bbb", "c"}},
         "a        c\naa  bbb  c\n"},
    };
    for (const auto& table : tables) {
        SCOPED_TRACE(table.name);
        TextTable text(table.rightAligned);
        for (const auto& row : table.rows)
            withCells(row,
                      [&](std::initializer_list<std::string_view> cells) { text.measure(cells); });
        std::string out;
        for (const auto& row : table.rows)
            withCells(row, [&](std::initializer_list<std::string_view> cells) {
                text.write(cells, out);
            });
        EXPECT_EQ(out, table.expected);
    }
}

TEST(TextTable, RowsOfMoreThanSixteenColumns) {
    TextTable text(std::vector<bool>{});
    text.measure({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15",
                  "16", "17"});
    std::string out;
    text.write(
        {"x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x", "x"}, out);
    EXPECT_EQ(out, "x  x  x  x  x  x  x  x  x  x   x   x   x   x   x   x   x\n");
}

} // namespace
} // namespace dustlyn
