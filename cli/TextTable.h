#pragma once

#include <string>
#include <vector>

namespace dustlyn {

// Rows of cells printed in aligned columns (the last column is never padded).
class TextTable {
public:
    // Columns listed in `rightAligned` are padded on the left (sizes, counts).
    explicit TextTable(std::vector<bool> rightAligned = {})
        : rightAligned_(std::move(rightAligned)) {}

    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    bool empty() const { return rows_.empty(); }
    std::string text() const;

private:
    std::vector<bool> rightAligned_;
    std::vector<std::vector<std::string>> rows_;
};

} // namespace dustlyn
