#include "core/history/HistoryDecoder.h"

#include "core/base/DecodingError.h"
#include "core/history/HistoryQuickReader.h"

#include <limits>

namespace dustlyn {

namespace {

constexpr std::size_t insideArray = 1;
constexpr std::size_t insideEntry = 2;

} // namespace

std::vector<HistoryEntry> HistoryDecoder::decode(const std::string& bytes) {
    if (auto entries = HistoryQuickReader::read(bytes))
        return std::move(*entries);
    return decodeWithReader(bytes);
}

std::vector<HistoryEntry> HistoryDecoder::decodeWithReader(const std::string& bytes) {
    HistoryDecoder decoder;
    // Entries take about 350 bytes of file each; a rough guess saves most regrowth.
    decoder.entries_.reserve(bytes.size() / 256 + 1);
    const bool parsed = Json::sax_parse(bytes, &decoder, Json::input_format_t::json,
                                        /*strict=*/true);
    if (!parsed)
        throw DecodingError(decoder.error_.empty() ? "History file is not JSON" : decoder.error_);
    if (!decoder.sawArray_ || decoder.depth_ != 0)
        throw DecodingError("History file is not an array");
    return std::move(decoder.entries_);
}

HistoryDecoder::Salvage HistoryDecoder::salvage(const std::string& bytes) {
    if (auto entries = HistoryQuickReader::read(bytes))
        return {std::move(*entries), 0, false, {}};
    HistoryDecoder decoder;
    decoder.lenient_ = true;
    decoder.entries_.reserve(bytes.size() / 256 + 1);
    const bool parsed = Json::sax_parse(bytes, &decoder, Json::input_format_t::json,
                                        /*strict=*/true);
    Salvage result{std::move(decoder.entries_), decoder.skipped_, false, decoder.error_};
    if (!parsed || !decoder.sawArray_ || decoder.depth_ != 0) {
        result.cutShort = true;
        if (result.error.empty())
            result.error =
                decoder.sawArray_ ? "History file is not JSON" : "History file is not an array";
    }
    return result;
}

bool HistoryDecoder::fail(std::string reason) {
    if (error_.empty())
        error_ = std::move(reason);
    return false;
}

bool HistoryDecoder::badElement(std::string reason) {
    if (!lenient_)
        return fail(std::move(reason));
    if (error_.empty())
        error_ = std::move(reason);
    ++skipped_;
    return true;
}

bool HistoryDecoder::nonText(Seen forSize, Seen forSweep) {
    if (depth_ == 0)
        return fail("History file is not an array");
    if (depth_ == insideArray)
        return badElement("History entry is not an object");
    if (depth_ > insideEntry || field_ == Field::other)
        return true;
    if (field_ == Field::size)
        seen(field_) = forSize;
    else if (field_ == Field::sweepID)
        seen(field_) = forSweep;
    else
        seen(field_) = Seen::invalid;
    if (forSweep == Seen::null && field_ == Field::sweepID)
        pending_.entry.sweepID.reset();
    return true;
}

bool HistoryDecoder::null() {
    return nonText(Seen::invalid, Seen::null);
}

bool HistoryDecoder::boolean(bool) {
    return nonText(Seen::invalid, Seen::invalid);
}

bool HistoryDecoder::number_integer(Json::number_integer_t value) {
    if (depth_ == insideEntry && field_ == Field::size)
        pending_.entry.size = value;
    return nonText(Seen::valid, Seen::invalid);
}

bool HistoryDecoder::number_unsigned(Json::number_unsigned_t value) {
    const bool fits = value <= Json::number_unsigned_t(std::numeric_limits<std::int64_t>::max());
    if (depth_ == insideEntry && field_ == Field::size && fits)
        pending_.entry.size = std::int64_t(value);
    return nonText(fits ? Seen::valid : Seen::invalid, Seen::invalid);
}

bool HistoryDecoder::number_float(Json::number_float_t, const Json::string_t&) {
    return nonText(Seen::invalid, Seen::invalid);
}

bool HistoryDecoder::binary(Json::binary_t&) {
    return nonText(Seen::invalid, Seen::invalid);
}

bool HistoryDecoder::string(Json::string_t& value) {
    if (depth_ != insideEntry || field_ == Field::other || skippingElement_)
        return nonText(Seen::invalid, Seen::invalid);
    HistoryEntry& entry = pending_.entry;
    // Copied, not moved: the reader keeps its buffer's capacity for the next string.
    const auto mark = [&](bool valid) { seen(field_) = valid ? Seen::valid : Seen::invalid; };
    switch (field_) {
    case Field::id: {
        const auto id = Uuid::parse(value);
        mark(bool(id));
        if (id)
            entry.id = *id;
        break;
    }
    case Field::date: {
        const auto date = storedDate(value);
        mark(bool(date));
        if (date)
            entry.date = *date;
        break;
    }
    case Field::kind: {
        const auto kind = kindFromText(value);
        mark(bool(kind));
        if (kind)
            entry.kind = *kind;
        break;
    }
    case Field::originalPath:
        entry.originalPath.assign(value);
        mark(true);
        break;
    case Field::quarantinePath:
        entry.quarantinePath.assign(value);
        mark(true);
        break;
    case Field::ruleName:
        entry.ruleName.assign(value);
        mark(true);
        break;
    case Field::sweepID: {
        const auto id = Uuid::parse(value);
        mark(bool(id));
        entry.sweepID = id;
        break;
    }
    case Field::size:
        mark(false);
        break;
    case Field::other:
        break;
    }
    return true;
}

bool HistoryDecoder::start_object(std::size_t) {
    if (depth_ == 0)
        return fail("History file is not an array");
    if (skippingElement_) {
        ++depth_;
        return true;
    }
    if (depth_ == insideArray)
        pending_ = Pending{};
    else if (depth_ == insideEntry && field_ != Field::other)
        seen(field_) = Seen::invalid;
    ++depth_;
    return true;
}

bool HistoryDecoder::key(Json::string_t& name) {
    if (depth_ != insideEntry || skippingElement_)
        return true;
    static const std::pair<const char*, Field> fields[] = {
        {"id", Field::id},
        {"date", Field::date},
        {"kind", Field::kind},
        {"originalPath", Field::originalPath},
        {"quarantinePath", Field::quarantinePath},
        {"size", Field::size},
        {"ruleName", Field::ruleName},
        {"sweepID", Field::sweepID},
    };
    field_ = Field::other;
    for (const auto& [text, field] : fields)
        if (name == text)
            field_ = field;
    return true;
}

bool HistoryDecoder::end_object() {
    --depth_;
    return depth_ == insideArray && !skippingElement_ ? finishEntry() : true;
}

bool HistoryDecoder::start_array(std::size_t) {
    if (depth_ == 0) {
        sawArray_ = true;
    } else if (depth_ == insideArray) {
        if (!lenient_)
            return fail("History entry is not an object");
        // Skipped whole, whatever it holds; counted once it ends.
        skippingElement_ = true;
        field_ = Field::other;
    } else if (depth_ == insideEntry && field_ != Field::other)
        seen(field_) = Seen::invalid;
    ++depth_;
    return true;
}

bool HistoryDecoder::end_array() {
    --depth_;
    if (depth_ == insideArray && skippingElement_) {
        skippingElement_ = false;
        return badElement("History entry is not an object");
    }
    return true;
}

bool HistoryDecoder::parse_error(std::size_t, const std::string&,
                                 const nlohmann::detail::exception& error) {
    return fail(error.what());
}

bool HistoryDecoder::finishEntry() {
    const std::pair<Field, const char*> required[] = {
        {Field::id, "id"},
        {Field::date, "date"},
        {Field::kind, "kind"},
        {Field::originalPath, "originalPath"},
        {Field::quarantinePath, "quarantinePath"},
        {Field::size, "size"},
        {Field::ruleName, "ruleName"},
    };
    for (const auto& [field, name] : required)
        if (const Seen state = seen(field); state != Seen::valid)
            return badElement(std::string("History entry key \"") + name +
                              (state == Seen::absent ? "\" is missing" : "\" has a wrong value"));
    if (seen(Field::sweepID) == Seen::invalid)
        return badElement("History entry key \"sweepID\" has a wrong value");
    entries_.push_back(std::move(pending_.entry));
    return true;
}

} // namespace dustlyn
