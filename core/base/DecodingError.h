#pragma once

#include <stdexcept>
#include <string>

namespace dustlyn {

// A stored record could not be decoded. The description is for developers only.
class DecodingError : public std::runtime_error {
public:
    explicit DecodingError(const std::string& description) : std::runtime_error(description) {}
};

} // namespace dustlyn
