#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace dustlyn {

// Texts kept back to back in large blocks. A view handed out stays valid as long as the
// arena lives, even when the arena itself is moved: blocks are never reallocated, so
// holding many paths costs their bytes and nothing per path.
class StringArena {
public:
    explicit StringArena(std::size_t blockSize = std::size_t{256} * 1024) : blockSize_(blockSize) {}
    StringArena(StringArena&&) noexcept = default;
    StringArena& operator=(StringArena&&) noexcept = default;
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;

    // Stores `first` followed by `second` as one text.
    std::string_view add(std::string_view first, std::string_view second = {});

    // Bytes held in blocks, used or not.
    std::size_t capacity() const { return capacity_; }

private:
    char* reserve(std::size_t length);

    std::size_t blockSize_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* free_ = nullptr; // the unused end of the newest block
    std::size_t left_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace dustlyn
