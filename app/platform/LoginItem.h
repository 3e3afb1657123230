#pragma once

#include <stdexcept>

namespace dustlyn {

// Why the login item could not be changed, in the system's words.
class LoginItemError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Starting Dustlyn when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    // Both throw LoginItemError when the change could not be made.
    virtual void registerItem() = 0;
    virtual void unregisterItem() = 0;
    virtual bool enabled() const = 0;
};

} // namespace dustlyn
