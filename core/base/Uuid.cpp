#include "core/base/Uuid.h"

#include "core/base/HexDigit.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <random>

namespace dustlyn {

namespace {

// Kernel randomness, or the library's where there is none (a very old kernel, or seccomp).
void fillRandom(std::uint8_t* bytes, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = getrandom(bytes + filled, size - filled, 0);
        if (n > 0) {
            filled += std::size_t(n);
        } else if (n < 0 && errno != EINTR) {
            std::random_device device;
            for (; filled < size; ++filled)
                bytes[filled] = std::uint8_t(device());
        }
    }
}

Uuid version4(std::array<std::uint8_t, 16> bytes) {
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40);
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80);
    return Uuid(bytes);
}

} // namespace

Uuid Uuid::random() {
    std::array<std::uint8_t, 16> bytes{};
    fillRandom(bytes.data(), bytes.size());
    return version4(bytes);
}

std::vector<Uuid> Uuid::randomMany(std::size_t count) {
    std::vector<std::uint8_t> raw(count * 16);
    fillRandom(raw.data(), raw.size());
    std::vector<Uuid> ids;
    ids.reserve(count);
    for (std::size_t at = 0; at < raw.size(); at += 16) {
        std::array<std::uint8_t, 16> bytes{};
        std::copy_n(raw.begin() + std::ptrdiff_t(at), 16, bytes.begin());
        ids.push_back(version4(bytes));
    }
    return ids;
}

namespace {

bool isDashPosition(std::size_t i) {
    return i == 8 || i == 13 || i == 18 || i == 23;
}

} // namespace

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36)
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (isDashPosition(i)) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int hi = hexDigitValue(text[i]);
        const int lo = hexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0 || isDashPosition(i + 1))
            return std::nullopt;
        bytes[out++] = std::uint8_t(hi * 16 + lo);
        i += 2;
    }
    return Uuid(bytes);
}

std::string Uuid::text() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += digits[bytes_[i] >> 4];
        text += digits[bytes_[i] & 0x0F];
    }
    return text;
}

} // namespace dustlyn
