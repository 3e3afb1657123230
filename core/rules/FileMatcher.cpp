#include "core/rules/FileMatcher.h"

#include "core/base/DecodingError.h"
#include "core/rules/NameMatcher.h"

namespace dustlyn {

FileMatcher FileMatcher::extensionMatch(std::string extension) {
    return FileMatcher(Kind::extensionMatch, std::move(extension));
}

FileMatcher FileMatcher::glob(std::string pattern) {
    return FileMatcher(Kind::glob, std::move(pattern));
}

FileMatcher FileMatcher::anyFile() {
    return FileMatcher(Kind::anyFile, {});
}

bool FileMatcher::matches(std::string_view name) const {
    return NameMatcher({*this}).matches(name);
}

nlohmann::json toJson(const FileMatcher& matcher) {
    switch (matcher.kind()) {
    case FileMatcher::Kind::extensionMatch:
        return {{"extensionMatch", matcher.payload()}};
    case FileMatcher::Kind::glob:
        return {{"glob", matcher.payload()}};
    case FileMatcher::Kind::anyFile:
        break;
    }
    return "anyFile";
}

namespace {

std::string describeObject(const nlohmann::json& object) {
    if (object.empty())
        return "[:]";
    std::string text = "[";
    bool first = true;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!first)
            text += ", ";
        first = false;
        text += "\"" + it.key() + "\": \"" + it.value().get<std::string>() + "\"";
    }
    return text + "]";
}

} // namespace

FileMatcher fileMatcherFromJson(const nlohmann::json& value) {
    if (value.is_string()) {
        const auto text = value.get<std::string>();
        if (text == "anyFile")
            return FileMatcher::anyFile();
        throw DecodingError("Unknown matcher case: " + text);
    }
    if (!value.is_object())
        throw DecodingError(std::string("Expected a string or an object for a matcher, found ") +
                            value.type_name());
    for (auto it = value.begin(); it != value.end(); ++it)
        if (!it.value().is_string())
            throw DecodingError("Expected a string value for matcher key \"" + it.key() + "\"");
    if (value.contains("extensionMatch"))
        return FileMatcher::extensionMatch(value.at("extensionMatch").get<std::string>());
    if (value.contains("glob"))
        return FileMatcher::glob(value.at("glob").get<std::string>());
    throw DecodingError("Unknown matcher: " + describeObject(value));
}

} // namespace dustlyn
