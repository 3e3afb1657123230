#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dustlyn {

// Text for a file descriptor (standard output or error), gathered and written in large
// blocks: a listing of many thousand lines costs a handful of write calls, and nothing ever
// holds the whole text.
class BufferedOutput {
public:
    explicit BufferedOutput(int fd, std::size_t blockSize = std::size_t{256} * 1024);
    // Writes what is left; a failure then goes unreported, so callers flush() first.
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    // Callers append to text() and then call wrote(), which writes once a block is full.
    std::string& text() { return text_; }
    void wrote() {
        if (text_.size() >= blockSize_)
            writeOut();
    }
    void line(std::string_view text);

    // Writes everything gathered. False once any write failed; error() then says why.
    bool flush();
    const std::string& error() const { return error_; }

private:
    void writeOut();

    int fd_;
    std::size_t blockSize_;
    std::string text_;
    std::string error_;
};

} // namespace dustlyn
