#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// A random (version 4) UUID, written as canonical upper-case 8-4-4-4-12 text.
class Uuid {
public:
    Uuid() = default;
    explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

    static Uuid random();
    // `count` random UUIDs from one request to the kernel: a sweep names thousands of entries.
    static std::vector<Uuid> randomMany(std::size_t count);
    // Accepts the canonical form in either case; anything else is no UUID.
    static std::optional<Uuid> parse(std::string_view text);

    std::string text() const;
    const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }

    auto operator<=>(const Uuid&) const = default;
    bool operator==(const Uuid&) const = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace dustlyn

template <> struct std::hash<dustlyn::Uuid> {
    std::size_t operator()(const dustlyn::Uuid& id) const noexcept {
        std::size_t h = 0;
        for (auto b : id.bytes())
            h = h * 131 + b;
        return h;
    }
};
