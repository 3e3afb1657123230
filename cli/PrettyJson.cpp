#include "cli/PrettyJson.h"

#include "core/base/Utf8.h"

#include <charconv>

namespace dustlyn {

void PrettyJson::beginObject() {
    open('{', false);
}

void PrettyJson::endObject() {
    close('}');
}

void PrettyJson::beginArray() {
    open('[', true);
}

void PrettyJson::endArray() {
    close(']');
}

void PrettyJson::key(std::string_view name) {
    Level& level = levels_.back();
    if (!level.empty)
        out_ += ',';
    level.empty = false;
    newline(levels_.size());
    appendString(out_, name);
    out_ += ": ";
}

void PrettyJson::value(std::string_view text) {
    beforeValue();
    appendString(out_, text);
}

void PrettyJson::value(std::int64_t number) {
    beforeValue();
    char digits[24];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void PrettyJson::value(bool flag) {
    beforeValue();
    out_ += flag ? "true" : "false";
}

void PrettyJson::embed(const nlohmann::ordered_json& json) {
    beforeValue();
    const std::string text = json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    // The library indents a value it dumps alone from the left margin; inside this one it
    // starts at the current depth. Strings hold no raw line breaks, so every break is layout.
    const std::string indent(levels_.size() * 2, ' ');
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        out_.append(text, start, end + 1 - start);
        out_ += indent;
    }
    out_.append(text, start);
}

void PrettyJson::beforeValue() {
    if (levels_.empty() || !levels_.back().isArray)
        return; // a member's value follows its name; a lone value stands as it is
    Level& level = levels_.back();
    if (!level.empty)
        out_ += ',';
    level.empty = false;
    newline(levels_.size());
}

void PrettyJson::open(char bracket, bool isArray) {
    beforeValue();
    out_ += bracket;
    levels_.push_back({isArray, true});
}

void PrettyJson::close(char bracket) {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty)
        newline(levels_.size());
    out_ += bracket;
}

void PrettyJson::newline(std::size_t depth) {
    out_ += '\n';
    out_.append(depth * 2, ' ');
}

void PrettyJson::appendString(std::string& out, std::string_view text) {
    if (!isValidUtf8(text)) {
        out += nlohmann::json(std::string(text))
                   .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return;
    }
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t plain = 0; // start of the run not yet copied
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(text, plain, i - plain);
        plain = i + 1;
        out += '\\';
        switch (c) {
        case '"':
        case '\\':
            out += char(c);
            break;
        case '\b':
            out += 'b';
            break;
        case '\t':
            out += 't';
            break;
        case '\n':
            out += 'n';
            break;
        case '\f':
            out += 'f';
            break;
        case '\r':
            out += 'r';
            break;
        default:
            out += "u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    out.append(text, plain);
    out += '"';
}

} // namespace dustlyn
