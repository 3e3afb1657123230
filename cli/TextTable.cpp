#include "cli/TextTable.h"

#include "core/base/Utf8.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dustlyn {

namespace {

// Display width in code points; good enough for aligned columns of names and sizes.
std::size_t width(std::string_view text) {
    if (isAscii(text))
        return text.size();
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace

void TextTable::measure(std::initializer_list<std::string_view> row) {
    if (widths_.size() < row.size())
        widths_.resize(row.size(), 0);
    std::size_t column = 0;
    for (const auto cell : row) {
        // A last column is only padded when right-aligned, so only then its width counts.
        if (column + 1 < row.size() || isRightAligned(column))
            widths_[column] = std::max(widths_[column], width(cell));
        ++column;
    }
}

std::size_t TextTable::paddingOf(std::size_t column, std::string_view cell) const {
    const std::size_t cellWidth = width(cell);
    return column < widths_.size() && widths_[column] > cellWidth ? widths_[column] - cellWidth : 0;
}

void TextTable::write(std::initializer_list<std::string_view> row, std::string& out) const {
    // Empty cells at the end of a row are left out, so no line ends in padding.
    std::size_t count = row.size();
    while (count > 1 && row.begin()[count - 1].empty())
        --count;
    // Paddings first, then the line laid out in place: listings run to many thousand rows.
    std::array<std::size_t, 16> paddings{};
    std::vector<std::size_t> manyPaddings;
    std::size_t* padding = paddings.data();
    if (count > paddings.size()) {
        manyPaddings.resize(count);
        padding = manyPaddings.data();
    }
    std::size_t length = 1;
    for (std::size_t column = 0; column < count; ++column) {
        const std::string_view cell = row.begin()[column];
        const bool last = column + 1 == count;
        padding[column] = last && !isRightAligned(column) ? 0 : paddingOf(column, cell);
        length += padding[column] + cell.size() + (last ? 0 : 2);
    }
    const std::size_t start = out.size();
    out.resize(start + length, ' ');
    char* at = out.data() + start;
    for (std::size_t column = 0; column < count; ++column) {
        const std::string_view cell = row.begin()[column];
        const bool right = isRightAligned(column);
        if (right)
            at += padding[column];
        if (!cell.empty())
            std::memcpy(at, cell.data(), cell.size());
        at += cell.size() + (right ? 0 : padding[column]);
        if (column + 1 < count)
            at += 2; // the gap between columns, already spaces
    }
    *at = '\n';
}

} // namespace dustlyn
