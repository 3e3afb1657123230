#pragma once

#include "core/history/HistoryEntry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dustlyn {

// The fast road through a history file: reads the plain form the store writes (any JSON
// whitespace, each known key once, strings with the short escapes, integer sizes, unknown
// keys holding text, integers or null) several times faster than the general JSON reader.
// It answers only when it is sure: for anything else, valid or not (a "\u" escape, a
// repeated key, a nested value, any error), it gives nothing and HistoryDecoder's full
// reader decides. Whatever it does return equals what the full reader returns.
class HistoryQuickReader {
public:
    static std::optional<std::vector<HistoryEntry>> read(std::string_view bytes);
    // Exactly Uuid::parse, faster.
    static std::optional<Uuid> uuid(std::string_view text);

private:
    explicit HistoryQuickReader(std::string_view bytes)
        : at_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    bool entries(std::vector<HistoryEntry>& out);
    bool entry(HistoryEntry& out);
    // One member value for the key in scratch_; `seen` holds a bit per known key read.
    bool member(HistoryEntry& out, unsigned& seen);
    bool text(std::string& out);     // from the opening quote
    bool textInto(std::string& out); // a whole string value, quotes included
    bool integer(std::int64_t& out);
    bool null();
    bool otherValue();
    void skipWhitespace();
    bool consume(char c);

    const char* at_;
    const char* end_;
    std::string scratch_;
    std::string value_;
};

} // namespace dustlyn
