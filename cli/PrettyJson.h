#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// JSON written as it is made, in the indented form the command has always printed (the JSON
// library's dump with two spaces): a listing of any length is never built as a tree first.
// The caller keeps the calls balanced; the writer only lays out what it is given.
class PrettyJson {
public:
    explicit PrettyJson(std::string& out) : out_(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The next member's name; its value follows.
    void key(std::string_view name);

    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(std::int64_t number);
    void value(bool flag);
    // A value made with the JSON library (a rule, say), laid out to fit where it stands.
    void embed(const nlohmann::ordered_json& json);

    // Appends `text` as a JSON string the way the library writes it: UTF-8 as it is, control
    // characters escaped. Text that is not valid UTF-8 has the bad bytes replaced.
    static void appendString(std::string& out, std::string_view text);

private:
    struct Level {
        bool isArray = false;
        bool empty = true;
    };

    void beforeValue();
    void open(char bracket, bool isArray);
    void close(char bracket);
    void newline(std::size_t depth);

    std::string& out_;
    std::vector<Level> levels_;
};

} // namespace dustlyn
