#pragma once

#include <string>

namespace dustlyn {

// What one command printed and how it ended; the same whether it ran here or in the
// running instance.
struct CommandOutput {
    int exitCode = 0; // 0 done, 1 a file operation failed, 2 usage error or unknown path
    std::string out;
    std::string err;

    void line(const std::string& text) { out += text + "\n"; }
    void error(const std::string& text) { err += text + "\n"; }
    void fail(int code, const std::string& text) {
        error(text);
        if (code > exitCode)
            exitCode = code;
    }

    bool operator==(const CommandOutput&) const = default;
};

} // namespace dustlyn
