#include "app/instance/Environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace dustlyn {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::filesystem::path homeFolder() {
    const std::string home = variable("HOME");
    if (!home.empty())
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

} // namespace

Environment Environment::fromProcess() {
    Environment environment;
    environment.folders =
        UserFolders::make(homeFolder(), variable("XDG_DATA_HOME"), variable("XDG_CONFIG_HOME"),
                          variable("XDG_CACHE_HOME"));
    const std::filesystem::path runtime = variable("XDG_RUNTIME_DIR");
    environment.runtimeDirectory =
        runtime.is_absolute() ? runtime : environment.folders.supportDirectory();
    environment.journalStream = variable("JOURNAL_STREAM");
    return environment;
}

} // namespace dustlyn
