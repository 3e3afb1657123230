// The rule commands of ChangeCommands: a rule is built as the settings' rule editor builds
// one, from a draft, and checked the same way.
#include "app/instance/ChangeCommands.h"

#include "app/model/AppModel.h"
#include "app/model/RuleDraft.h"
#include "app/model/RuleWords.h"
#include "core/base/Paths.h"
#include "core/config/QuarantineFolder.h"
#include "core/quarantine/FileSystemCalls.h"

#include <algorithm>

namespace dustlyn {

namespace {

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// The rule's line after a change: "Logs": Move logs from Downloads after 3 days.
std::string ruleLine(const std::string& done, const PurgeRule& rule) {
    return done + " " + quoted(rule.name) + ": " + RuleWords::text(rule) +
           (rule.enabled ? "" : " (off)");
}

std::string hint(const CommandLine& line) {
    return " (try `dustlyn help " + line.command + "`)";
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// The rule named by its id, its exact name, or its name in any case; the line that says why
// not otherwise.
std::optional<PurgeRule> findRule(const Configuration& config, const CommandLine& line,
                                  CommandOutput& output) {
    const std::string& reference = line.arguments.at(0);
    const auto id = Uuid::parse(reference);
    std::vector<const PurgeRule*> found;
    for (const auto& rule : config.rules)
        if ((id && rule.id == *id) || rule.name == reference)
            found.push_back(&rule);
    if (found.empty())
        for (const auto& rule : config.rules)
            if (lowered(rule.name) == lowered(reference))
                found.push_back(&rule);
    if (found.size() == 1)
        return *found.front();
    output.fail(2, "dustlyn " + line.command + ": " +
                       (found.empty()
                            ? "no rule is named " + quoted(reference) + " (see `dustlyn rules`)"
                            : "several rules are named " + quoted(reference) +
                                  "; name one by its id (see `dustlyn rules --json`)"));
    return std::nullopt;
}

// A second rule of the same name could then be named only by its id; false (and the line
// said) when another rule already has `name` in any case.
bool nameIsFree(const Configuration& config, const std::string& name, const Uuid& id,
                const CommandLine& line, CommandOutput& output) {
    for (const auto& rule : config.rules) {
        if (rule.id == id || lowered(rule.name) != lowered(name))
            continue;
        output.fail(2, "dustlyn " + line.command + ": a rule is already named " +
                           quoted(rule.name) +
                           "; choose another name, or change that rule with "
                           "`dustlyn rules edit`");
        return false;
    }
    return true;
}

// A folder as the built-in rules write theirs: under the home folder with "~".
std::string folderText(const std::string& given, const std::filesystem::path& home) {
    if (given.starts_with("~"))
        return given;
    return abbreviateHome(given, home);
}

// What the matcher options ask for, as editor rows; nothing when none was given.
std::optional<std::vector<MatcherDraft>> matcherRows(const CommandLine& line) {
    if (!line.has("--ext") && !line.has("--glob") && !line.has("--any"))
        return std::nullopt;
    std::vector<MatcherDraft> rows;
    for (std::string extension : line.values("--ext")) {
        // "--ext .log" means what "--ext log" means: no name ends in "..log".
        if (extension.starts_with("."))
            extension.erase(0, 1);
        rows.push_back({Uuid::random(), MatcherDraft::Kind::extensionMatch, extension});
    }
    for (const auto& pattern : line.values("--glob"))
        rows.push_back({Uuid::random(), MatcherDraft::Kind::glob, pattern});
    if (line.has("--any"))
        rows.push_back({Uuid::random(), MatcherDraft::Kind::anyFile, ""});
    return rows;
}

// Applies the options given to `draft`; false (and the line said) for an age that is no
// duration.
bool applyOptions(const CommandLine& line, const std::filesystem::path& home, RuleDraft& draft,
                  CommandOutput& output) {
    if (const auto name = line.value("--name"))
        draft.name = *name;
    if (line.has("--folder")) {
        draft.folders.clear();
        for (const auto& folder : line.values("--folder"))
            draft.folders.push_back({Uuid::random(), folderText(folder, home)});
    }
    if (auto rows = matcherRows(line))
        draft.matchers = std::move(*rows);
    if (const auto age = line.value("--age")) {
        const auto seconds = CommandLine::parseDuration(*age);
        if (!seconds) {
            output.fail(2, "dustlyn " + line.command + ": --age '" + *age +
                               "' is not a duration; use a number with s, m, h, d or w, such as "
                               "15m or 3d");
            return false;
        }
        draft.ageValue = *seconds;
        draft.ageUnit = RuleDraft::AgeUnit::seconds;
    }
    if (const auto basis = line.value("--basis"))
        draft.ageBasis = *basis == "creation" ? AgeBasis::creation : AgeBasis::modification;
    if (line.has("--on"))
        draft.enabled = true;
    if (line.has("--off"))
        draft.enabled = false;
    return true;
}

// The rule the draft makes, or the line that says what is wrong with it: what the rule
// editor refuses, and folders that would put the quarantine among the rule's.
std::optional<PurgeRule> checkedRule(const RuleDraft& draft, const AppModel& model,
                                     const CommandLine& line, CommandOutput& output) {
    if (const auto problem = draft.problem()) {
        output.fail(2, "dustlyn " + line.command + ": the rule cannot be saved: " + *problem +
                           hint(line));
        return std::nullopt;
    }
    PurgeRule rule = *draft.toRule();
    const Configuration& config = model.config();
    std::vector<PurgeRule> rules = config.rules;
    std::erase_if(rules, [&](const PurgeRule& r) { return r.id == rule.id; });
    rules.push_back(rule);
    const auto& folders = model.folders();
    if (!QuarantineFolder::problem(config.quarantineDirectory, config.rules, folders) &&
        QuarantineFolder::problem(config.quarantineDirectory, rules, folders)) {
        output.fail(2, "dustlyn " + line.command +
                           ": the rule cannot watch a folder inside the "
                           "quarantine " +
                           config.quarantineDirectory +
                           ", where every file is deleted once it expires");
        return std::nullopt;
    }
    return rule;
}

// A folder that is not there yet is fine (the rule claims files once it is), but worth a word.
void noteMissingFolders(const PurgeRule& rule, const std::filesystem::path& home,
                        CommandOutput& output) {
    for (const auto& folder : rule.folders) {
        if (!targetExists(expandTilde(folder, home)))
            output.error("dustlyn: note: " + folder +
                         " does not exist yet; the rule takes its files once it does");
    }
}

} // namespace

CommandOutput ChangeCommands::addRule(const CommandLine& line) {
    CommandOutput output;
    RuleDraft draft;
    draft.id = Uuid::random();
    draft.name = line.arguments.at(0);
    const auto& home = model_.folders().home;
    if (!applyOptions(line, home, draft, output))
        return output;
    const auto rule = checkedRule(draft, model_, line, output);
    if (!rule || !nameIsFree(model_.config(), rule->name, rule->id, line, output))
        return output;
    const auto failures = model_.saveFailures();
    model_.addRule(*rule);
    if (unsaved(failures, line, "the rule was not added", output))
        return output;
    output.line(ruleLine("Added", *rule));
    noteMissingFolders(*rule, home, output);
    return output;
}

CommandOutput ChangeCommands::editRule(const CommandLine& line) {
    CommandOutput output;
    const auto existing = findRule(model_.config(), line, output);
    if (!existing)
        return output;
    if (line.options.empty()) {
        output.fail(2, "dustlyn rules edit: nothing to change; give --name, --folder, --ext, "
                       "--glob, --any, --age, --basis, --on or --off" +
                           hint(line));
        return output;
    }
    RuleDraft draft = RuleDraft::from(*existing);
    const auto& home = model_.folders().home;
    if (!applyOptions(line, home, draft, output))
        return output;
    const auto rule = checkedRule(draft, model_, line, output);
    // Rules already sharing a name (made elsewhere) stay editable; a new name must be free.
    if (!rule ||
        (line.has("--name") && !nameIsFree(model_.config(), rule->name, rule->id, line, output)))
        return output;
    const auto failures = model_.saveFailures();
    model_.updateRule(*rule);
    if (unsaved(failures, line, "the rule is as it was", output))
        return output;
    output.line(ruleLine("Changed", *rule));
    if (line.has("--folder"))
        noteMissingFolders(*rule, home, output);
    return output;
}

CommandOutput ChangeCommands::enableRule(const CommandLine& line) {
    return switchRule(line, true);
}

CommandOutput ChangeCommands::disableRule(const CommandLine& line) {
    return switchRule(line, false);
}

CommandOutput ChangeCommands::switchRule(const CommandLine& line, bool on) {
    CommandOutput output;
    auto rule = findRule(model_.config(), line, output);
    if (!rule)
        return output;
    rule->enabled = on;
    const auto failures = model_.saveFailures();
    model_.updateRule(*rule);
    if (!unsaved(failures, line, std::string("the rule is still ") + (on ? "off" : "on"), output))
        output.line(ruleLine(on ? "Switched on" : "Switched off", *rule));
    return output;
}

CommandOutput ChangeCommands::removeRule(const CommandLine& line) {
    CommandOutput output;
    const auto rule = findRule(model_.config(), line, output);
    if (!rule)
        return output;
    const auto failures = model_.saveFailures();
    model_.removeRule(rule->id);
    if (!unsaved(failures, line, "the rule is still there", output))
        output.line(ruleLine("Removed", *rule));
    return output;
}

CommandOutput ChangeCommands::resetRules(const CommandLine& line) {
    CommandOutput output;
    const auto failures = model_.saveFailures();
    model_.resetRules();
    if (unsaved(failures, line, "the rules are as they were", output))
        return output;
    // The screenshot rules follow the desktop's screenshot folders, as at every start.
    model_.adoptScreenshotLocation();
    output.line("The rules are the built-in ones again:");
    for (const auto& rule : model_.config().rules)
        output.line(std::string(rule.enabled ? "  on   " : "  off  ") + quoted(rule.name) + ": " +
                    RuleWords::text(rule));
    return output;
}

} // namespace dustlyn
