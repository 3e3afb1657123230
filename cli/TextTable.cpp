#include "cli/TextTable.h"

#include <algorithm>

namespace dustlyn {

namespace {

// Display width in code points; good enough for aligned columns of names and sizes.
std::size_t width(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace

std::string TextTable::text() const {
    std::vector<std::size_t> widths;
    for (const auto& row : rows_) {
        if (widths.size() < row.size())
            widths.resize(row.size(), 0);
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], width(row[i]));
    }
    std::string out;
    for (const auto& row : rows_) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const bool last = i + 1 == row.size();
            const std::string padding(widths[i] - width(row[i]), ' ');
            const bool right = i < rightAligned_.size() && rightAligned_[i];
            if (right)
                line += padding + row[i];
            else
                line += last ? row[i] : row[i] + padding;
            if (!last)
                line += "  ";
        }
        out += line + "\n";
    }
    return out;
}

} // namespace dustlyn
