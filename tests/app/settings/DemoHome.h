#pragma once

#include "core/base/Date.h"
#include "core/config/UserFolders.h"

namespace dustlyn::testing {

// A home as a user who has run Dustlyn for a while has it: the built-in rules (some on,
// some off) and `customRules` more, files waiting on the Desktop and in Downloads,
// kept files (one spelt with "~", one with the full path), quarantined files that can be
// restored, and `historyEntries` entries of every kind over the last weeks.
struct DemoHome {
    static void build(const UserFolders& folders, Date now, int historyEntries, int customRules);
};

} // namespace dustlyn::testing
