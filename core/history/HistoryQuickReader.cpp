#include "core/history/HistoryQuickReader.h"

#include "core/base/Utf8.h"

#include <array>
#include <cstring>

namespace dustlyn {

namespace {

enum Key : unsigned {
    idKey,
    dateKey,
    kindKey,
    originalPathKey,
    quarantinePathKey,
    sizeKey,
    ruleNameKey,
    sweepIDKey,
    otherKey
};

constexpr unsigned requiredKeys = (1u << sweepIDKey) - 1;

Key keyFor(std::string_view name) {
    static constexpr std::string_view names[] = {
        "id", "date", "kind", "originalPath", "quarantinePath", "size", "ruleName", "sweepID"};
    for (unsigned k = 0; k < otherKey; ++k)
        if (name == names[k])
            return Key(k);
    return otherKey;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::vector<HistoryEntry>> HistoryQuickReader::read(std::string_view bytes) {
    HistoryQuickReader reader(bytes);
    std::vector<HistoryEntry> out;
    out.reserve(bytes.size() / 256 + 1);
    if (!reader.entries(out))
        return std::nullopt;
    return out;
}

void HistoryQuickReader::skipWhitespace() {
    while (at_ < end_ && (*at_ == ' ' || *at_ == '\n' || *at_ == '\r' || *at_ == '\t'))
        ++at_;
}

bool HistoryQuickReader::consume(char c) {
    skipWhitespace();
    if (at_ == end_ || *at_ != c)
        return false;
    ++at_;
    return true;
}

bool HistoryQuickReader::entries(std::vector<HistoryEntry>& out) {
    if (!consume('['))
        return false;
    if (!consume(']')) {
        do {
            out.emplace_back();
            if (!entry(out.back()))
                return false;
        } while (consume(','));
        if (!consume(']'))
            return false;
    }
    skipWhitespace();
    return at_ == end_;
}

bool HistoryQuickReader::entry(HistoryEntry& out) {
    if (!consume('{'))
        return false;
    unsigned seen = 0;
    do {
        if (!consume('"') || !text(scratch_) || !consume(':') || !member(out, seen))
            return false;
    } while (consume(','));
    return consume('}') && (seen & requiredKeys) == requiredKeys;
}

bool HistoryQuickReader::member(HistoryEntry& out, unsigned& seen) {
    const Key key = keyFor(scratch_);
    if (key != otherKey) {
        if (seen & (1u << key))
            return false; // the full reader knows which of the two counts
        seen |= 1u << key;
    }
    skipWhitespace();
    switch (key) {
    case idKey: {
        const auto id = consume('"') && text(value_) ? uuid(value_) : std::nullopt;
        out.id = id.value_or(Uuid());
        return bool(id);
    }
    case dateKey: {
        const auto date = consume('"') && text(value_) ? storedDate(value_) : std::nullopt;
        out.date = date.value_or(Date());
        return bool(date);
    }
    case kindKey: {
        const auto kind = consume('"') && text(value_) ? kindFromText(value_) : std::nullopt;
        out.kind = kind.value_or(HistoryEntry::Kind::quarantined);
        return bool(kind);
    }
    // Read into the reused buffer and copied once: growing a path piece by piece between
    // its escaped slashes would reallocate it several times.
    case originalPathKey:
        return textInto(out.originalPath);
    case quarantinePathKey:
        return textInto(out.quarantinePath);
    case ruleNameKey:
        return textInto(out.ruleName);
    case sizeKey:
        return integer(out.size);
    case sweepIDKey:
        if (null())
            return true;
        out.sweepID = consume('"') && text(value_) ? uuid(value_) : std::nullopt;
        return bool(out.sweepID);
    case otherKey:
        return otherValue();
    }
    return false;
}

namespace {

// Bytes that end a plain run inside a string: the quote, the backslash, control characters
// (which JSON does not allow raw) and the start of every non-ASCII sequence.
constexpr std::array<bool, 256> specialBytes = [] {
    std::array<bool, 256> table{};
    for (std::size_t c = 0; c < 256; ++c)
        table[c] = c < 0x20 || c == '"' || c == '\\' || c >= 0x80;
    return table;
}();

// The value of each hexadecimal digit, in either case; -1 for every other byte.
constexpr std::array<signed char, 256> hexValues = [] {
    std::array<signed char, 256> table{};
    for (std::size_t c = 0; c < 256; ++c)
        table[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                   : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                   : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                          : static_cast<signed char>(-1);
    return table;
}();

int hexValue(char c) {
    return hexValues[static_cast<unsigned char>(c)];
}

} // namespace

std::optional<Uuid> HistoryQuickReader::uuid(std::string_view text) {
    // Uuid::parse's rules, unrolled for the 10 000 identifiers of a full history.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t byte = 0; byte < bytes.size(); ++byte) {
        static constexpr std::uint8_t offsets[16] = {0,  2,  4,  6,  9,  11, 14, 16,
                                                     19, 21, 24, 26, 28, 30, 32, 34};
        const int high = hexValue(text[offsets[byte]]);
        const int low = hexValue(text[offsets[byte] + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[byte] = std::uint8_t(high * 16 + low);
    }
    return Uuid(bytes);
}

bool HistoryQuickReader::text(std::string& out) {
    out.clear();
    bool ascii = true;
    const char* run = at_;
    for (;;) {
        while (at_ < end_ && !specialBytes[static_cast<unsigned char>(*at_)])
            ++at_;
        if (at_ == end_)
            return false;
        const auto c = static_cast<unsigned char>(*at_);
        if (c >= 0x80) {
            ascii = false;
            ++at_;
            continue;
        }
        if (c < 0x20)
            return false;
        out.append(run, at_);
        ++at_;
        if (c == '"')
            return ascii || isValidUtf8(out);
        if (at_ == end_)
            return false;
        switch (*at_) {
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case '/':
            out += '/';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            return false; // "\u" and anything else: the full reader decides
        }
        run = ++at_;
    }
}

bool HistoryQuickReader::textInto(std::string& out) {
    if (!consume('"') || !text(value_))
        return false;
    out.assign(value_);
    return true;
}

bool HistoryQuickReader::integer(std::int64_t& out) {
    const bool negative = at_ < end_ && *at_ == '-';
    if (negative)
        ++at_;
    const char* first = at_;
    std::int64_t value = 0;
    while (at_ < end_ && isDigit(*at_)) {
        if (at_ - first == 18)
            return false; // near the 64-bit limit: the full reader decides
        value = value * 10 + (*at_ - '0');
        ++at_;
    }
    const std::ptrdiff_t digits = at_ - first;
    if (digits == 0 || (*first == '0' && (digits > 1 || negative)))
        return false;
    if (at_ < end_ && (*at_ == '.' || *at_ == 'e' || *at_ == 'E'))
        return false;
    out = negative ? -value : value;
    return true;
}

bool HistoryQuickReader::null() {
    if (end_ - at_ < 4 || std::memcmp(at_, "null", 4) != 0)
        return false;
    at_ += 4;
    return true;
}

bool HistoryQuickReader::otherValue() {
    std::int64_t ignored = 0;
    if (at_ < end_ && *at_ == '"')
        return ++at_, text(value_);
    return null() || integer(ignored);
}

} // namespace dustlyn
