#include "core/history/HistoryEntry.h"

#include "core/base/DecodingError.h"

#include <filesystem>
#include <limits>

namespace dustlyn {

using Json = nlohmann::json;

std::string HistoryEntry::fileName() const {
    return std::filesystem::path(originalPath).filename().native();
}

std::string kindText(HistoryEntry::Kind kind) {
    switch (kind) {
    case HistoryEntry::Kind::quarantined:
        return "quarantined";
    case HistoryEntry::Kind::deleted:
        return "deleted";
    case HistoryEntry::Kind::restored:
        return "restored";
    }
    return "quarantined";
}

std::optional<HistoryEntry::Kind> kindFromText(std::string_view text) {
    if (text == "quarantined")
        return HistoryEntry::Kind::quarantined;
    if (text == "deleted")
        return HistoryEntry::Kind::deleted;
    if (text == "restored")
        return HistoryEntry::Kind::restored;
    return std::nullopt;
}

std::optional<Date> storedDate(std::string_view text) {
    // Date counts nanoseconds in 64 bits: about 292 years either side of 1970.
    if (text.size() < 4 || text.substr(0, 4) < "1678" || text.substr(0, 4) > "2261")
        return std::nullopt;
    return parseRfc3339(text);
}

nlohmann::ordered_json toJson(const HistoryEntry& entry) {
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["id"] = entry.id.text();
    object["date"] = formatRfc3339(entry.date);
    object["kind"] = kindText(entry.kind);
    object["originalPath"] = entry.originalPath;
    object["quarantinePath"] = entry.quarantinePath;
    object["size"] = entry.size;
    object["ruleName"] = entry.ruleName;
    if (entry.sweepID)
        object["sweepID"] = entry.sweepID->text();
    return object;
}

namespace {

const Json& member(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end())
        throw DecodingError(std::string("History entry has no \"") + key + "\"");
    return *it;
}

const std::string& text(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (!value.is_string())
        throw DecodingError(std::string("History entry key \"") + key + "\" is not text");
    return value.get_ref<const std::string&>();
}

Uuid uuid(const Json& object, const char* key) {
    const auto id = Uuid::parse(text(object, key));
    if (!id)
        throw DecodingError(std::string("History entry key \"") + key + "\" is not a UUID");
    return *id;
}

std::int64_t integer(const Json& object, const char* key) {
    const Json& value = member(object, key);
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            throw DecodingError(std::string("History entry key \"") + key + "\" is too large");
        return std::int64_t(n);
    }
    if (!value.is_number_integer())
        throw DecodingError(std::string("History entry key \"") + key + "\" is not an integer");
    return value.get<std::int64_t>();
}

} // namespace

HistoryEntry historyEntryFromJson(const Json& value) {
    if (!value.is_object())
        throw DecodingError("History entry is not an object");
    HistoryEntry entry;
    entry.id = uuid(value, "id");
    const auto date = storedDate(text(value, "date"));
    if (!date)
        throw DecodingError("History entry date is not in the written form");
    entry.date = *date;
    const auto kind = kindFromText(text(value, "kind"));
    if (!kind)
        throw DecodingError("History entry kind is unknown");
    entry.kind = *kind;
    entry.originalPath = text(value, "originalPath");
    entry.quarantinePath = text(value, "quarantinePath");
    entry.size = integer(value, "size");
    entry.ruleName = text(value, "ruleName");
    // Absent on everything but a sweep's quarantine entries; null reads as absent, as the
    // optional it stands for, but any other value must be a valid UUID.
    const auto sweep = value.find("sweepID");
    if (sweep != value.end() && !sweep->is_null())
        entry.sweepID = uuid(value, "sweepID");
    return entry;
}

} // namespace dustlyn
