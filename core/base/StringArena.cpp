#include "core/base/StringArena.h"

#include <algorithm>
#include <cstring>

namespace dustlyn {

std::string_view StringArena::add(std::string_view first, std::string_view second) {
    const std::size_t length = first.size() + second.size();
    char* text = reserve(length);
    if (!first.empty())
        std::memcpy(text, first.data(), first.size());
    if (!second.empty())
        std::memcpy(text + first.size(), second.data(), second.size());
    return {text, length};
}

char* StringArena::reserve(std::size_t length) {
    if (length > left_) {
        // A text longer than a block gets a block of its own size.
        const std::size_t size = std::max(blockSize_, length);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
        free_ = blocks_.back().get();
        left_ = size;
        capacity_ += size;
    }
    char* text = free_;
    free_ += length;
    left_ -= length;
    return text;
}

} // namespace dustlyn
