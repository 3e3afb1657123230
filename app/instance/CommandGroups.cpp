// The commands about files: starting Dustlyn, the scan, sweeps, the quarantine, kept files and
// timers.
#include "app/instance/CommandGroups.h"

#include "app/instance/ChangeCommands.h"

namespace dustlyn {

namespace {

using Kind = WordKind;
using C = ChangeCommands;
constexpr Carrier reads = Carrier::reads;
constexpr Carrier changes = Carrier::changes;

ArgumentDeclaration files(const std::string& help) {
    return {"PATH", Kind::file, false, true, help, {}};
}

// How much a sweep prints.
std::vector<OptionDeclaration> sweepOutput() {
    return {
        {"--quiet", "", Kind::text, false, false, "print only what failed", {}},
        {"--verbose",
         "",
         Kind::text,
         false,
         false,
         "name every file, and say so when nothing was due",
         {}},
    };
}

} // namespace

OptionDeclaration CommandGroups::json() {
    return {"--json", "", Kind::text, false, false, "print JSON for programs instead of text", {}};
}

std::vector<CommandDeclaration> CommandGroups::start() {
    return {
        {"",
         {},
         {{"--headless",
           "",
           Kind::text,
           false,
           false,
           "run without any window: watch, sweep and print one report per sweep that did "
           "something, until Ctrl+C or SIGTERM",
           {}},
          {"--notch-demo",
           "NAME",
           Kind::text,
           false,
           false,
           "start the notch's demonstration NAME (not with --headless)",
           {}},
          {"--quiet", "", Kind::text, false, false, "with --headless: print only what failed", {}},
          {"--verbose",
           "",
           Kind::text,
           false,
           false,
           "with --headless: name every file a sweep moved or deleted",
           {}}},
         Carrier::application,
         "start Dustlyn",
         "Starts Dustlyn on the desktop: the notch, the tray item, the folder watcher and the "
         "timers. A second start while one runs brings up the running one's settings window.",
         {"dustlyn", "dustlyn --headless"},
         nullptr},
        {"scan",
         {},
         {{"--at",
           "TIME",
           Kind::text,
           false,
           false,
           "judge what is due at TIME instead of now: 2026-03-01T09:30:00Z, or a local time "
           "such as 2026-03-01T09:30",
           {}},
          CommandGroups::json()},
         reads,
         "what the rules and timers claim, and when each file leaves",
         "Lists every file the enabled rules and the timers claim, soonest deadline first, "
         "with where a download came from. Touches nothing.",
         {"dustlyn scan", "dustlyn scan --at 2026-03-01T09:30"},
         nullptr},
    };
}

std::vector<CommandDeclaration> CommandGroups::sweeps() {
    const auto output = sweepOutput();
    return {
        {"sweep",
         {},
         {{"--everything", "", Kind::text, false, false, "move every claimed file, due or not", {}},
          output[0],
          output[1],
          CommandGroups::json()},
         changes,
         "one sweep now",
         "Moves what is due into the quarantine, deletes what has outlived its time there "
         "and empties the Trash when that is switched on; then names the files and the "
         "command that puts them back. Prints nothing when nothing was due.",
         {"dustlyn sweep", "dustlyn sweep --quiet"},
         &C::sweep},
        {"quarantine",
         {},
         {CommandGroups::json()},
         reads,
         "what is in the quarantine, soonest expiry first",
         "Lists the quarantined files with when each is deleted and where it came from.",
         {"dustlyn quarantine"},
         nullptr},
        {"restore",
         {files("a quarantined file: its path in the quarantine, or where it came from")},
         {},
         changes,
         "put quarantined files back (and keep them)",
         "Puts each file back where it came from (under a numbered name when that place is "
         "taken) and keeps it, so that no rule takes it again.",
         {"dustlyn restore ~/Desktop/Screenshot.png"},
         &C::restore},
        {"undo",
         {{"SWEEP-ID",
           Kind::sweepID,
           true,
           false,
           "the sweep to undo, as `dustlyn history` shows it; the newest sweep that moved "
           "files when left out",
           {}}},
         {},
         changes,
         "undo a sweep",
         "Puts back every file a sweep moved that is still in the quarantine, and keeps them.",
         {"dustlyn undo", "dustlyn undo 5A0C7D2E-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
         &C::undo},
    };
}

std::vector<CommandDeclaration> CommandGroups::keeping() {
    return {
        {"keep",
         {files("a file or folder (a symbolic link is refused, never followed)")},
         {},
         changes,
         "keep files forever",
         "Keeps files for good: no rule and no timer touches them until `dustlyn unkeep`.",
         {"dustlyn keep ~/Desktop/keep-me.png"},
         &C::keep},
        {"unkeep",
         {files("a kept file, as `dustlyn kept` lists it")},
         {},
         changes,
         "stop keeping files",
         "Lets the rules take the files again.",
         {"dustlyn unkeep ~/Desktop/keep-me.png"},
         &C::unkeep},
        {"kept",
         {},
         {CommandGroups::json()},
         reads,
         "the kept files",
         "Lists the files kept forever, and says which of them are gone.",
         {"dustlyn kept"},
         nullptr},
    };
}

std::vector<CommandDeclaration> CommandGroups::timers() {
    return {
        {"timer",
         {{"PATH",
           Kind::file,
           false,
           false,
           "the file (a symbolic link is refused, never followed)",
           {}},
          {"DURATION",
           Kind::text,
           false,
           false,
           "how long until it leaves: 90s, 10m, 1h, 2d, 1w",
           {}}},
         {},
         changes,
         "give a file a one-off deadline",
         "The file leaves when DURATION has passed, whatever the rules say.",
         {"dustlyn timer ~/Desktop/notes.pdf 2h"},
         &C::timer},
        {"timers",
         {},
         {CommandGroups::json()},
         reads,
         "the one-off deadlines",
         "Lists the files with a timer, soonest first.",
         {"dustlyn timers"},
         nullptr},
        {"remove-now",
         {{"PATH",
           Kind::file,
           false,
           false,
           "the file (a symbolic link is refused, never followed)",
           {}}},
         {},
         changes,
         "send a file to the quarantine at once",
         "Moves the file into the quarantine now, together with anything else that is due.",
         {"dustlyn remove-now ~/Downloads/old.iso"},
         &C::removeNow},
    };
}

} // namespace dustlyn
