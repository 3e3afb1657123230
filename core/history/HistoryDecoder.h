#pragma once

#include "core/history/HistoryEntry.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dustlyn {

// Reads a history file straight from the JSON reader's events into entries, without
// building the document first: the file is read at every append, and at the cap it holds
// 5000 entries. Each element of the top-level array is an entry: every key but sweepID
// required (a null sweepID reads as none), dates exactly as written, a repeated key's last
// value counts, unknown keys are skipped whatever they hold.
class HistoryDecoder {
public:
    using Json = nlohmann::json;

    // What a damaged file still holds.
    struct Salvage {
        std::vector<HistoryEntry> entries; // every entry that decodes, in file order
        std::size_t skipped = 0;           // elements of the array that are no valid entry
        bool cutShort = false;             // the JSON breaks off; what follows is lost
        std::string error;                 // the first problem met, empty for a valid file

        bool damaged() const { return skipped > 0 || cutShort; }
        bool operator==(const Salvage&) const = default;
    };

    // Throws DecodingError for anything but a valid history file. Takes HistoryQuickReader's
    // road when it answers, the JSON reader's otherwise.
    static std::vector<HistoryEntry> decode(const std::string& bytes);
    // The JSON reader's road alone (the reference the quick road is checked against).
    static std::vector<HistoryEntry> decodeWithReader(const std::string& bytes);
    // Entry by entry: one bad entry is skipped and counted, and a file that breaks off keeps
    // the entries before the break. A file that is no array at all salvages nothing
    // (cutShort). Never throws.
    static Salvage salvage(const std::string& bytes);

    // The JSON reader's event interface.
    bool null();
    bool boolean(bool value);
    bool number_integer(Json::number_integer_t value);
    bool number_unsigned(Json::number_unsigned_t value);
    bool number_float(Json::number_float_t value, const Json::string_t& text);
    bool string(Json::string_t& value);
    bool binary(Json::binary_t& value);
    bool start_object(std::size_t elements);
    bool key(Json::string_t& name);
    bool end_object();
    bool start_array(std::size_t elements);
    bool end_array();
    bool parse_error(std::size_t position, const std::string& token,
                     const nlohmann::detail::exception& error);

private:
    enum class Field {
        id,
        date,
        kind,
        originalPath,
        quarantinePath,
        size,
        ruleName,
        sweepID,
        other
    };
    // The last value seen for a key of the entry being read.
    enum class Seen { absent, valid, invalid, null };

    struct Pending {
        std::array<Seen, std::size_t(Field::other)> seen{}; // by Field
        HistoryEntry entry;
    };

    bool fail(std::string reason);
    Seen& seen(Field field) { return pending_.seen[std::size_t(field)]; }
    // A value that is not text: right only for `size` (integers) and `sweepID` (null).
    bool nonText(Seen forSize, Seen forSweep);
    bool finishEntry();

    // A bad element of the top array: fails a strict reading, is counted by a salvage.
    bool badElement(std::string reason);

    std::vector<HistoryEntry> entries_;
    Pending pending_;
    Field field_ = Field::other;
    std::size_t depth_ = 0; // 1 inside the top array, 2 inside an entry, more in a skip
    bool sawArray_ = false;
    bool lenient_ = false;
    bool skippingElement_ = false; // an array standing where an entry should be
    std::size_t skipped_ = 0;
    std::string error_;
};

} // namespace dustlyn
