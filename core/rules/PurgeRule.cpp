#include "core/rules/PurgeRule.h"

#include "core/base/DecodingError.h"

namespace dustlyn {

Uuid PurgeRule::manualID() {
    static const Uuid id = *Uuid::parse("00000000-0000-0000-0000-00000000F11E");
    return id;
}

const PurgeRule& PurgeRule::manual() {
    static const PurgeRule rule{manualID(), "Timer", true, {}, {}, 0, AgeBasis::modification};
    return rule;
}

nlohmann::json toJson(const PurgeRule& rule) {
    nlohmann::json matchers = nlohmann::json::array();
    for (const auto& matcher : rule.matchers)
        matchers.push_back(toJson(matcher));
    return {{"id", rule.id.text()},
            {"name", rule.name},
            {"enabled", rule.enabled},
            {"folders", rule.folders},
            {"matchers", std::move(matchers)},
            {"ageThreshold", rule.ageThreshold},
            {"ageBasis", ageBasisText(rule.ageBasis)}};
}

namespace {

const nlohmann::json& required(const nlohmann::json& object, const char* key,
                               nlohmann::json::value_t type) {
    const auto it = object.find(key);
    if (it == object.end())
        throw DecodingError(std::string("Rule has no \"") + key + "\"");
    const bool numberWanted = type == nlohmann::json::value_t::number_float;
    if (numberWanted ? !it->is_number() : it->type() != type)
        throw DecodingError(std::string("Rule key \"") + key + "\" has the wrong type");
    return *it;
}

} // namespace

PurgeRule purgeRuleFromJson(const nlohmann::json& value) {
    using Type = nlohmann::json::value_t;
    if (!value.is_object())
        throw DecodingError("A rule must be an object");
    PurgeRule rule;
    const auto id = Uuid::parse(required(value, "id", Type::string).get<std::string>());
    if (!id)
        throw DecodingError("Rule \"id\" is not a UUID");
    rule.id = *id;
    rule.name = required(value, "name", Type::string).get<std::string>();
    rule.enabled = required(value, "enabled", Type::boolean).get<bool>();
    for (const auto& folder : required(value, "folders", Type::array)) {
        if (!folder.is_string())
            throw DecodingError("Rule folders must be strings");
        rule.folders.push_back(folder.get<std::string>());
    }
    for (const auto& matcher : required(value, "matchers", Type::array))
        rule.matchers.push_back(fileMatcherFromJson(matcher));
    rule.ageThreshold = required(value, "ageThreshold", Type::number_float).get<double>();
    const auto basis =
        ageBasisFromText(required(value, "ageBasis", Type::string).get<std::string>());
    if (!basis)
        throw DecodingError("Rule \"ageBasis\" is neither \"modification\" nor \"creation\"");
    rule.ageBasis = *basis;
    return rule;
}

} // namespace dustlyn
