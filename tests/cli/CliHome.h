#pragma once

#include "tests/cli/DustlynProcess.h"
#include "tests/core/support/TempDir.h"
#include "tests/core/support/TracedRun.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dustlyn::testing {

// What every end-to-end test of the command spells short.
namespace fs = std::filesystem;
using nlohmann::json;
using Clock = DustlynProcess::Clock;
using Stream = DustlynProcess::Stream;
using namespace std::chrono_literals;

// A throw-away home for one test: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR
// all point inside it, so dustlyn reads and writes nothing of the real user's.
class CliHome {
public:
    CliHome();

    // Resolved, so that it compares equal to the paths dustlyn prints.
    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path dataHome() const { return home_ / ".local/share"; }
    std::filesystem::path configHome() const { return home_ / ".config"; }
    std::filesystem::path runtimeDirectory() const { return home_ / "run"; }
    std::filesystem::path supportDirectory() const { return dataHome() / "Dustlyn"; }
    std::filesystem::path configFile() const { return supportDirectory() / "config.json"; }
    std::filesystem::path historyFile() const { return supportDirectory() / "history.json"; }
    std::filesystem::path quarantine() const { return supportDirectory() / "Quarantine"; }
    std::filesystem::path socketFile() const { return runtimeDirectory() / "dustlyn.sock"; }
    std::filesystem::path desktop() const { return home_ / "Desktop"; }

    // NAME=value texts: the four folders plus PATH, LANG and the sanitizers' options.
    std::vector<std::string> environment() const;
    // The same with LeakSanitizer off, which cannot work in a process that strace traces.
    std::vector<std::string> tracedEnvironment() const;

    ProcessResult run(const std::vector<std::string>& words,
                      const std::filesystem::path& workingDirectory = {}) const;
    // The same, a test failure unless it exits 0.
    ProcessResult ok(const std::vector<std::string>& words,
                     const std::filesystem::path& workingDirectory = {}) const;
    // Paths as dustlyn prints them: of a file on the Desktop, of one in the quarantine.
    std::string desk(const std::string& name) const { return (desktop() / name).native(); }
    std::string quar(const std::string& name) const { return (quarantine() / name).native(); }
    // config.json holding the one rule globRule(glob, "~/Desktop", age).
    void writeRule(const std::string& glob = "*.txt", double age = 60) const;
    std::unique_ptr<DustlynProcess> start(const std::vector<std::string>& words) const;
    // `dustlyn --headless` once it listens and has started; nothing (and a test failure saying
    // why) when it did not get there.
    std::unique_ptr<DustlynProcess> startInstance() const;
    // Runs `LAUNCHER… dustlyn WORDS…` to completion, for fault injection with strace
    // (straceInjecting).
    ProcessResult runUnder(const std::vector<std::string>& launcher,
                           const std::vector<std::string>& words) const;
    // Whether strace can trace a child here (ptrace may not be permitted).
    bool canStrace() const { return straceWorks(runtimeDirectory()); }

    // Writes config.json as given, pretty-printed like the store writes it.
    void writeConfig(const nlohmann::json& config) const;
    // config.json, history.json, parsed; they must exist and be JSON.
    nlohmann::json readConfig() const { return nlohmann::json::parse(readFile(configFile())); }
    nlohmann::json readHistory() const { return nlohmann::json::parse(readFile(historyFile())); }

private:
    TempDir dir_;
    std::filesystem::path home_;
};

// One rule as config.json holds it: files matching `glob` in `folder` leave once their
// modification date is `age` seconds old.
nlohmann::json globRule(const std::string& glob, const std::string& folder, double age);

// One history entry as history.json holds it, of 4 bytes, dated 2026-03-01T09:15:00Z, by the
// rule "Old notes" in the sweep 0D9C8B7A-….
nlohmann::json historyEntry(const std::string& id, const std::string& kind,
                            const std::filesystem::path& origin,
                            const std::filesystem::path& quarantined);

// Creates `count` files "note-0001.txt"… in `folder`, each holding its own name and dated
// an hour ago; returns their names.
std::vector<std::string> makeOldFiles(const std::filesystem::path& folder, int count);
std::vector<std::string> namesIn(const std::filesystem::path& folder);
// The words of a command line written as one text, split at its spaces.
std::vector<std::string> wordsOf(const std::string& text);
// Whether `text` holds `part`.
inline bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
// The text up to its first line break.
std::string firstLine(const std::string& text);
// A refusal: exit `code`, nothing on standard output and one line on standard error holding
// `says`.
void expectRefused(const ProcessResult& result, int code, const std::string& says);
// Stops an instance with SIGTERM and expects it to end cleanly.
void stopInstance(DustlynProcess& instance);

// The names of an object's members.
std::set<std::string> keysOf(const json& object);
bool isUuid(const json& value);
// Seconds since 1970 of an ISO 8601 UTC date with whole seconds ("2026-03-01T09:30:00Z");
// throws std::invalid_argument for another form.
long long utcSeconds(const json& value);
// Parses, or gives a discarded value (is_discarded()) when the text is not JSON.
json parseOrDiscard(const std::string& text);

} // namespace dustlyn::testing
