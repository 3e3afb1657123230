// The configuration reader on arbitrary bytes, as ConfigurationStore::load meets them:
// the JSON reader without exceptions, then configurationFromJson over the defaults. No
// exception but the two documented ones may escape, and a decoded configuration is saved
// and read back unchanged.
#include "core/base/DecodingError.h"
#include "core/config/Configuration.h"
#include "core/config/ConfigurationStore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using namespace dustlyn;

const Configuration& defaults() {
    static const Configuration configuration = Configuration::defaults(
        UserFolders::make("/home/fuzz", "/home/fuzz/.local/share", "/home/fuzz/.config"));
    return configuration;
}

std::optional<Configuration> decoded(const std::string& bytes) {
    const auto value = nlohmann::json::parse(bytes, nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded())
        return std::nullopt;
    try {
        return configurationFromJson(value, defaults());
    } catch (const DecodingError&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto configuration = decoded(std::string(reinterpret_cast<const char*>(data), size));
    if (!configuration)
        return 0;
    std::string saved;
    try {
        saved = ConfigurationStore::encode(*configuration);
    } catch (const std::exception&) {
        return 0; // text that cannot be stored; save() reports it
    }
    if (decoded(saved) != configuration) {
        std::fprintf(stderr, "fuzz_config_decoder: a saved configuration reads back differently\n");
        std::abort();
    }
    return 0;
}
