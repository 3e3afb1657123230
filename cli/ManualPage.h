#pragma once

#include <string>

namespace dustlyn {

// The manual page dustlyn(1), in roff: the prose of a template with the commands, their
// arguments, options and examples set in from their declarations, so that the page says what
// `dustlyn help` says.
struct ManualPage {
    // Replaces "@COMMANDS@" in `templateText` by the commands' section and "@VERSION@" by
    // `version`.
    static std::string roff(const std::string& templateText, const std::string& version);
    // `text` safe as roff body text: backslashes and hyphens escaped, "…" as three dots, and
    // no line starting with a control character.
    static std::string escaped(const std::string& text);
};

} // namespace dustlyn
