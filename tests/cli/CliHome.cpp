#include "tests/cli/CliHome.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace dustlyn::testing {

CliHome::CliHome() : dir_("dustlyn-cli"), home_(fs::canonical(dir_.path())) {
    fs::create_directories(dataHome());
    fs::create_directories(configHome());
    fs::create_directory(runtimeDirectory());
    // The runtime folder of the XDG rules is private to its user.
    fs::permissions(runtimeDirectory(), fs::perms::owner_all, fs::perm_options::replace);
}

std::vector<std::string> CliHome::environment() const {
    std::vector<std::string> variables{
        "HOME=" + home_.native(),
        "XDG_DATA_HOME=" + dataHome().native(),
        "XDG_CONFIG_HOME=" + configHome().native(),
        "XDG_RUNTIME_DIR=" + runtimeDirectory().native(),
        "PATH=/usr/local/bin:/usr/bin:/bin",
        // A user's session has a UTF-8 locale; without one Qt warns on standard error.
        "LANG=C.UTF-8",
        "TZ=UTC",
    };
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TMPDIR"})
        if (const char* value = std::getenv(name))
            variables.push_back(std::string(name) + "=" + value);
    return variables;
}

std::vector<std::string> CliHome::tracedEnvironment() const {
    std::vector<std::string> variables = environment();
    const auto asan = std::ranges::find_if(variables, [](const std::string& variable) {
        return variable.starts_with("ASAN_OPTIONS=");
    });
    if (asan == variables.end())
        variables.push_back("ASAN_OPTIONS=detect_leaks=0");
    else
        *asan += ":detect_leaks=0";
    return variables;
}

ProcessResult CliHome::run(const std::vector<std::string>& words,
                           const fs::path& workingDirectory) const {
    return DustlynProcess(words, environment(), workingDirectory).wait(Clock::now() + 30s);
}

ProcessResult CliHome::ok(const std::vector<std::string>& words,
                          const fs::path& workingDirectory) const {
    ProcessResult result = run(words, workingDirectory);
    EXPECT_EQ(result.exitCode, 0) << result.describe();
    return result;
}

void CliHome::writeRule(const std::string& glob, double age) const {
    writeConfig({{"rules", {globRule(glob, "~/Desktop", age)}}});
}

std::unique_ptr<DustlynProcess> CliHome::start(const std::vector<std::string>& words) const {
    return std::make_unique<DustlynProcess>(words, environment());
}

std::unique_ptr<DustlynProcess> CliHome::startInstance() const {
    auto instance = start({"--headless"});
    if (!instance->waitForLines(Stream::err, "Dustlyn is running without windows", 1,
                                Clock::now() + 20s)) {
        ADD_FAILURE() << "the instance did not start:\n" << instance->err();
        return nullptr;
    }
    return instance;
}

ProcessResult CliHome::runUnder(const std::vector<std::string>& launcher,
                                const std::vector<std::string>& words) const {
    DustlynProcess process(words, tracedEnvironment(), {}, launcher);
    return process.wait(Clock::now() + 30s);
}

void CliHome::writeConfig(const nlohmann::json& config) const {
    writeFile(configFile(), config.dump(2));
}

nlohmann::json globRule(const std::string& glob, const std::string& folder, double age) {
    return {{"id", "0B5E6C7D-1A2B-4C3D-8E9F-A0B1C2D3E4F5"},
            {"name", "Old notes"},
            {"enabled", true},
            {"folders", {folder}},
            {"matchers", {{{"glob", glob}}}},
            {"ageThreshold", age},
            {"ageBasis", "modification"}};
}

nlohmann::json historyEntry(const std::string& id, const std::string& kind, const fs::path& origin,
                            const fs::path& quarantined) {
    return {{"id", id},
            {"date", "2026-03-01T09:15:00Z"},
            {"kind", kind},
            {"originalPath", origin.native()},
            {"quarantinePath", quarantined.native()},
            {"size", 4},
            {"ruleName", "Old notes"},
            {"sweepID", "0D9C8B7A-6F5E-4D3C-8B2A-190817263544"}};
}

std::vector<std::string> makeOldFiles(const fs::path& folder, int count) {
    const Date hourAgo = std::chrono::system_clock::now() - std::chrono::hours(1);
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "note-%04d.txt", i);
        writeFile(folder / name, name);
        setModificationDate(folder / name, hourAgo);
        names.emplace_back(name);
    }
    return names;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> wordsOf(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> list;
    for (std::string word; stream >> word;)
        list.push_back(word);
    return list;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

void expectRefused(const ProcessResult& result, int code, const std::string& says) {
    EXPECT_EQ(result.exitCode, code) << result.describe();
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(linesOf(result.err).size(), 1u) << result.describe();
    EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
}

void stopInstance(DustlynProcess& instance) {
    instance.sendSignal(SIGTERM);
    const ProcessResult ended = instance.wait(Clock::now() + 20s);
    EXPECT_EQ(ended.exitCode, 0) << ended.describe();
}

std::set<std::string> keysOf(const json& object) {
    std::set<std::string> keys;
    for (const auto& item : object.items())
        keys.insert(item.key());
    return keys;
}

long long utcSeconds(const json& value) {
    static const std::regex form(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    std::tm parts{};
    if (!value.is_string() || !std::regex_match(value.get<std::string>(), form) ||
        !::strptime(value.get<std::string>().c_str(), "%Y-%m-%dT%H:%M:%SZ", &parts))
        throw std::invalid_argument("not an ISO 8601 UTC date: " + value.dump());
    return static_cast<long long>(::timegm(&parts));
}

bool isUuid(const json& value) {
    static const std::regex form(
        R"([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})");
    return value.is_string() && std::regex_match(value.get<std::string>(), form);
}

json parseOrDiscard(const std::string& text) {
    return json::parse(text, nullptr, false);
}

} // namespace dustlyn::testing
