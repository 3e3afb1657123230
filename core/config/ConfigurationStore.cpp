#include "core/config/ConfigurationStore.h"

#include "core/base/AtomicFile.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/base/Utf8.h"

#include <cerrno>

namespace dustlyn {

namespace fs = std::filesystem;

ConfigurationStore::ConfigurationStore(fs::path url, Configuration defaults)
    : url_(std::move(url)), defaults_(std::move(defaults)) {}

fs::path ConfigurationStore::supportDirectory(const UserFolders& folders) {
    return folders.supportDirectory();
}

ConfigurationStore ConfigurationStore::defaultStore(const UserFolders& folders) {
    return ConfigurationStore(supportDirectory(folders) / "config.json",
                              Configuration::defaults(folders));
}

Configuration ConfigurationStore::load() const {
    const auto text = readWholeFile(url_);
    if (!text)
        return defaults_;
    const auto value = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded())
        return defaults_;
    try {
        return configurationFromJson(value, defaults_);
    } catch (const DecodingError&) {
        // The bad file stays as it is until the next save replaces it.
        return defaults_;
    }
}

namespace {

// A string that is not UTF-8 would make the whole file unreadable, and every setting
// would silently fall back to the defaults at the next start.
bool allTextIsUtf8(const nlohmann::json& value) {
    if (value.is_string())
        return isValidUtf8(value.get_ref<const std::string&>());
    if (value.is_array()) {
        for (const auto& element : value)
            if (!allTextIsUtf8(element))
                return false;
    } else if (value.is_object()) {
        for (auto it = value.begin(); it != value.end(); ++it)
            if (!isValidUtf8(it.key()) || !allTextIsUtf8(it.value()))
                return false;
    }
    return true;
}

} // namespace

std::string ConfigurationStore::encode(const Configuration& configuration) {
    const nlohmann::json value = toJson(configuration);
    if (!allTextIsUtf8(value))
        throw FileError::fromErrno(EILSEQ);
    return writePrettyJson(value);
}

void ConfigurationStore::save(const Configuration& configuration) const {
    const fs::path folder = url_.parent_path();
    if (!folder.empty())
        createDirectories(folder);
    writeFileAtomically(url_, encode(configuration));
}

} // namespace dustlyn
