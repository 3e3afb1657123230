#pragma once

#include "core/config/UserFolders.h"
#include "core/rules/PurgeRule.h"

#include <optional>
#include <string>
#include <vector>

namespace dustlyn {

// Whatever lies in the quarantine is deleted once it is old enough, so the quarantine must
// only ever hold what Dustlyn put there: never the home folder, a user directory, a rule's
// folder, Dustlyn's own folder or a folder holding any of them, and never the files of a
// folder the user picks that already has some.
namespace QuarantineFolder {

// The folder made inside a chosen folder that already holds something.
inline constexpr const char* dedicatedName = "Dustlyn Quarantine";

// Why the quarantine setting `text` cannot be used ("it is your home folder"), or nothing
// when it can. `rules` are the configuration's rules, whose folders count too.
std::optional<std::string> problem(const std::string& text, const std::vector<PurgeRule>& rules,
                                   const UserFolders& folders);

// The setting to store when the user picks `text` (which problem() accepts): `text` itself
// when the folder is missing, empty, the current quarantine, the default one or already a
// dedicated one; otherwise its dedicated sub-folder, so the files already there are never
// taken for quarantined ones.
std::string forChoice(const std::string& text, const std::string& current,
                      const UserFolders& folders);

} // namespace QuarantineFolder

} // namespace dustlyn
