#include "app/model/ConfigurationEdits.h"

#include "core/base/Trimmed.h"
#include "core/config/QuarantineFolder.h"

#include <algorithm>
#include <cmath>

namespace dustlyn {

namespace {

// The one search for a rule by id, for a configuration being edited or only read.
template <class Rules> auto* ruleIn(Rules& rules, const Uuid& id) {
    const auto found =
        std::find_if(rules.begin(), rules.end(), [&](const PurgeRule& r) { return r.id == id; });
    return found == rules.end() ? nullptr : &*found;
}

} // namespace

PurgeRule* ConfigurationEdits::rule(Configuration& config, const Uuid& id) {
    return ruleIn(config.rules, id);
}

const PurgeRule* ConfigurationEdits::rule(const Configuration& config, const Uuid& id) {
    return ruleIn(config.rules, id);
}

bool ConfigurationEdits::isKept(const Configuration& config, const std::string& path) {
    return std::find(config.pins.begin(), config.pins.end(), path) != config.pins.end();
}

void ConfigurationEdits::keep(Configuration& config, const std::string& path) {
    config.timers.erase(path);
    if (!isKept(config, path))
        config.pins.push_back(path);
}

void ConfigurationEdits::setTimer(Configuration& config, const std::string& path, Date due) {
    std::erase(config.pins, path);
    config.timers[path] = due;
}

void ConfigurationEdits::setFileSettings(Configuration& config, const std::string& path, bool kept,
                                         std::optional<Date> timer) {
    std::erase(config.pins, path);
    config.timers.erase(path);
    if (kept)
        config.pins.push_back(path);
    if (timer)
        config.timers[path] = *timer;
}

void ConfigurationEdits::toggleRule(Configuration& config, const Uuid& id) {
    if (PurgeRule* found = rule(config, id))
        found->enabled = !found->enabled;
}

void ConfigurationEdits::replaceRule(Configuration& config, const PurgeRule& replacement) {
    if (PurgeRule* found = rule(config, replacement.id))
        *found = replacement;
}

void ConfigurationEdits::removeRule(Configuration& config, const Uuid& id) {
    std::erase_if(config.rules, [&](const PurgeRule& r) { return r.id == id; });
}

void ConfigurationEdits::setRulesEnabled(Configuration& config, const std::vector<Uuid>& ids,
                                         bool enabled) {
    for (const auto& id : ids)
        if (PurgeRule* found = rule(config, id))
            found->enabled = enabled;
}

std::optional<std::string> ConfigurationEdits::applyGeneral(Configuration& config,
                                                            const General& general,
                                                            const UserFolders& folders) {
    const auto usable = [](const std::optional<double>& seconds) {
        return seconds && std::isfinite(*seconds) && *seconds > 0;
    };
    std::optional<std::string> refusal;
    if (usable(general.checkInterval))
        config.checkInterval = *general.checkInterval;
    const auto& chosen = general.quarantineDirectory;
    if (chosen && !trimmed(*chosen).empty()) {
        if (const auto why = QuarantineFolder::problem(*chosen, config.rules, folders))
            refusal = "The quarantine cannot be " + *chosen + ": " + *why +
                      ". Everything in the quarantine is deleted once it expires, so it must "
                      "be a folder of its own.";
        else
            config.quarantineDirectory =
                QuarantineFolder::forChoice(*chosen, config.quarantineDirectory, folders);
    }
    if (usable(general.quarantineTTL))
        config.quarantineTTL = *general.quarantineTTL;
    if (general.emptyTrash)
        config.emptyTrash = *general.emptyTrash;
    return refusal;
}

} // namespace dustlyn
