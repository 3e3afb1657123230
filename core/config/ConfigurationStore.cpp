#include "core/config/ConfigurationStore.h"

#include "core/base/AtomicFile.h"
#include "core/base/DamagedCopy.h"
#include "core/base/DecodingError.h"
#include "core/base/FileError.h"
#include "core/base/JsonText.h"
#include "core/base/Utf8.h"
#include "core/config/DurationText.h"
#include "core/config/QuarantineFolder.h"
#include "core/quarantine/FileSystemCalls.h"

#include <cerrno>
#include <cstring>

namespace dustlyn {

namespace fs = std::filesystem;

ConfigurationStore::ConfigurationStore(fs::path url, Configuration defaults,
                                       std::optional<UserFolders> folders)
    : url_(std::move(url)), defaults_(std::move(defaults)), folders_(std::move(folders)) {}

fs::path ConfigurationStore::supportDirectory(const UserFolders& folders) {
    return folders.supportDirectory();
}

ConfigurationStore ConfigurationStore::defaultStore(const UserFolders& folders) {
    return ConfigurationStore(supportDirectory(folders) / "config.json",
                              Configuration::defaults(folders), folders);
}

namespace {

// The JSON reader's message without its "[json.exception.parse_error.101] " tag.
std::string readerMessage(const std::exception& error) {
    std::string text = error.what();
    if (text.starts_with("[json.exception.")) {
        const auto end = text.find("] ");
        if (end != std::string::npos)
            text.erase(0, end + 2);
    }
    return text;
}

struct Decoded {
    Configuration configuration;
    std::optional<std::string> damage;
    std::optional<std::string> bytes; // what the file held, when it could be read
    int readError = 0;                // why it could not be read
    std::vector<std::string> corrections;
};

Decoded decodeFile(const fs::path& url, const Configuration& defaults) {
    Decoded result{defaults, std::nullopt, readWholeFile(url), 0, {}};
    if (!result.bytes) {
        result.readError = errno;
        // A missing file is no damage: the defaults are what a new user starts with.
        if (itemExists(url))
            result.damage = std::strerror(result.readError);
        return result;
    }
    try {
        const auto value = nlohmann::json::parse(*result.bytes);
        result.configuration = configurationFromJson(value, defaults, &result.corrections);
    } catch (const nlohmann::json::exception& error) {
        result.damage = readerMessage(error);
    } catch (const DecodingError& error) {
        result.damage = readerMessage(error);
    }
    if (result.damage) {
        result.configuration = defaults;
        result.corrections.clear();
    }
    return result;
}

// A quarantine setting that would hold the user's own files is read as the default one.
ConfigurationReadout readout(const Decoded& decoded, const Configuration& defaults,
                             const std::optional<UserFolders>& folders) {
    ConfigurationReadout result{decoded.configuration, decoded.damage, std::nullopt,
                                decoded.corrections, decoded.bytes};
    if (result.damage || !folders)
        return result;
    Configuration& configuration = result.configuration;
    if (const auto why = QuarantineFolder::problem(configuration.quarantineDirectory,
                                                   configuration.rules, *folders)) {
        result.corrections.push_back("the quarantine folder \"" +
                                     configuration.quarantineDirectory + "\" cannot be used (" +
                                     *why + "); " + defaults.quarantineDirectory + " stands in");
        configuration.quarantineDirectory = defaults.quarantineDirectory;
    }
    return result;
}

} // namespace

Configuration ConfigurationStore::load() const {
    return inspect().configuration;
}

ConfigurationReadout ConfigurationStore::inspect() const {
    const Decoded decoded = decodeFile(url_, defaults_);
    ConfigurationReadout result = readout(decoded, defaults_, folders_);
    if (result.damage && decoded.bytes)
        result.keptCopy = DamagedCopy::existingCopy(url_, *decoded.bytes);
    return result;
}

ConfigurationReadout ConfigurationStore::read() const {
    const Decoded decoded = decodeFile(url_, defaults_);
    ConfigurationReadout result = readout(decoded, defaults_, folders_);
    if (!result.damage || !decoded.bytes)
        return result;
    try {
        result.keptCopy = DamagedCopy::keepCopy(url_, *decoded.bytes);
    } catch (const FileError& error) {
        *result.damage += "; no copy of it could be kept: " + std::string(error.what());
    }
    return result;
}

std::vector<std::string> ConfigurationReadout::notices(const fs::path& url) const {
    std::vector<std::string> lines;
    if (damage) {
        std::string line =
            "the configuration " + url.native() + " could not be read (" + *damage + ")";
        line +=
            keptCopy ? "; its bytes are kept in " + keptCopy->native() : "; it is left as it is";
        lines.push_back(line +
                        ". Until it is mended or removed, Dustlyn uses the default settings, "
                        "saves no setting and deletes nothing from the quarantine");
    }
    for (const auto& correction : corrections)
        lines.push_back(url.native() + ": " + correction);
    return lines;
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

std::string ConfigurationStore::save(const Configuration& configuration) const {
    // The user's rules, kept files and retention may be in there; only the user replaces it.
    if (const auto decoded = decodeFile(url_, defaults_); decoded.damage) {
        if (!decoded.bytes)
            throw FileError::fromErrno(decoded.readError);
        throw FileError(EINVAL, "it holds what Dustlyn cannot read (" + *decoded.damage +
                                    "), and only you may replace it");
    }
    const fs::path folder = url_.parent_path();
    if (!folder.empty())
        createDirectories(folder);
    std::string bytes = encode(configuration);
    writeFileAtomically(url_, bytes);
    return bytes;
}

} // namespace dustlyn
