// The history file's reader on arbitrary bytes. Beyond "no crash, no undefined behaviour":
// the quick road and the JSON reader's road give the same answer, whatever is read is
// written and read back unchanged, and the salvage of a damaged file agrees with the strict
// reader wherever that one answers.
#include "core/base/DecodingError.h"
#include "core/history/HistoryDecoder.h"
#include "core/history/HistoryQuickReader.h"
#include "core/history/HistoryStore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using namespace dustlyn;

std::optional<std::vector<HistoryEntry>> decoded(const std::string& bytes, bool quick) {
    try {
        return quick ? HistoryStore::decode(bytes) : HistoryDecoder::decodeWithReader(bytes);
    } catch (const DecodingError&) {
        return std::nullopt;
    }
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_history_decoder: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto entries = decoded(bytes, true);
    check(entries == decoded(bytes, false), "the two roads disagree");
    const auto quick = HistoryQuickReader::read(bytes);
    check(!quick || quick == entries, "the quick road answered wrongly");
    const HistoryDecoder::Salvage salvaged = HistoryDecoder::salvage(bytes);
    check(!entries || (salvaged.entries == *entries && !salvaged.damaged()),
          "the salvage of a sound file differs from reading it");
    check(entries || salvaged.damaged(), "the salvage found nothing wrong with a bad file");
    if (entries) {
        const std::string written = HistoryStore::encode(*entries);
        check(decoded(written, true) == entries, "written entries read back differently");
        check(HistoryQuickReader::read(written).has_value(),
              "the quick road declined its own form");
    }
    return 0;
}
