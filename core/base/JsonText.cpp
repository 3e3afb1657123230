#include "core/base/JsonText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace dustlyn {

namespace {

void writeString(std::string& out, const std::string& text) {
    appendJsonString(out, text);
}

template <class Json> void writeScalar(std::string& out, const Json& value) {
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        out += "null";
        break;
    case nlohmann::json::value_t::boolean:
        out += value.template get<bool>() ? "true" : "false";
        break;
    case nlohmann::json::value_t::number_integer:
        out += std::to_string(value.template get<std::int64_t>());
        break;
    case nlohmann::json::value_t::number_unsigned:
        out += std::to_string(value.template get<std::uint64_t>());
        break;
    case nlohmann::json::value_t::number_float:
        out += formatJsonNumber(value.template get<double>());
        break;
    case nlohmann::json::value_t::string:
        writeString(out, value.template get<std::string>());
        break;
    default:
        out += "null";
        break;
    }
}

template <class Json> void write(std::string& out, const Json& value, bool pretty, int depth) {
    const auto indent = [&](int level) {
        if (pretty)
            out.append(std::size_t(level) * 2, ' ');
    };
    const char* newline = pretty ? "\n" : "";
    if (value.is_object()) {
        if (value.empty()) {
            out += "{}";
            return;
        }
        out += '{';
        out += newline;
        bool first = true;
        for (auto it = value.begin(); it != value.end(); ++it) {
            if (!first) {
                out += ',';
                out += newline;
            }
            first = false;
            indent(depth + 1);
            writeString(out, it.key());
            out += pretty ? " : " : ":";
            write(out, it.value(), pretty, depth + 1);
        }
        out += newline;
        indent(depth);
        out += '}';
    } else if (value.is_array()) {
        if (value.empty()) {
            out += "[]";
            return;
        }
        out += '[';
        out += newline;
        bool first = true;
        for (const auto& element : value) {
            if (!first) {
                out += ',';
                out += newline;
            }
            first = false;
            indent(depth + 1);
            write(out, element, pretty, depth + 1);
        }
        out += newline;
        indent(depth);
        out += ']';
    } else {
        writeScalar(out, value);
    }
}

} // namespace

// In runs rather than one character at a time: this runs over every path of every history
// append.
bool appendJsonString(std::string& out, std::string_view text) {
    // Bytes written other than as they are, and the start of every non-ASCII sequence.
    static constexpr std::array<bool, 256> special = [] {
        std::array<bool, 256> table{};
        for (std::size_t c = 0; c < 256; ++c)
            table[c] = c < 0x20 || c == '"' || c == '\\' || c == '/' || c >= 0x80;
        return table;
    }();
    out += '"';
    std::size_t run = 0;
    bool ascii = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!special[c])
            continue;
        if (c >= 0x80) {
            ascii = false;
            continue;
        }
        out.append(text, run, i - run);
        run = i + 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        }
        }
    }
    out.append(text, run, text.size() - run);
    out += '"';
    return ascii;
}

std::string formatJsonNumber(double value) {
    if (!std::isfinite(value))
        return "0";
    if (value == std::trunc(value) && std::fabs(value) < 9.0e15)
        return std::to_string(static_cast<long long>(value));
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string writePrettyJson(const nlohmann::json& value) {
    std::string out;
    write(out, value, true, 0);
    return out;
}

} // namespace dustlyn
