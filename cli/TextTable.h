#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// Rows of cells printed in aligned columns (the last column is never padded), in two passes
// so that no table is ever held whole: every row is measured first, then every row written.
// All rows of a table have the same number of cells.
class TextTable {
public:
    // Columns listed in `rightAligned` are padded on the left (sizes, counts).
    explicit TextTable(const std::vector<bool>& rightAligned = {})
        : rightAligned_(rightAligned.begin(), rightAligned.end()) {}

    // First pass: widens the columns to fit `row`.
    void measure(std::initializer_list<std::string_view> row);
    // Second pass: appends `row`, padded to the measured widths, and a line break. Empty cells
    // at the end are left out.
    void write(std::initializer_list<std::string_view> row, std::string& out) const;

private:
    std::size_t paddingOf(std::size_t column, std::string_view cell) const;
    bool isRightAligned(std::size_t column) const {
        return column < rightAligned_.size() && rightAligned_[column];
    }

    std::vector<char> rightAligned_; // not vector<bool>: asked for every cell
    std::vector<std::size_t> widths_;
};

} // namespace dustlyn
