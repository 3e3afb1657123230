#include "core/rules/NameMatcher.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace dustlyn {

namespace {

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string lowerUnicode(std::string_view text) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

// Suffix test of the lower-cased name, without building it for ASCII names.
bool endsWithLowered(std::string_view name, const std::string& lowerSuffix) {
    if (!isAscii(name)) {
        const std::string lowered = lowerUnicode(name);
        return lowered.size() >= lowerSuffix.size() &&
               lowered.compare(lowered.size() - lowerSuffix.size(), lowerSuffix.size(),
                               lowerSuffix) == 0;
    }
    if (name.size() < lowerSuffix.size())
        return false;
    const std::size_t offset = name.size() - lowerSuffix.size();
    for (std::size_t i = 0; i < lowerSuffix.size(); ++i) {
        char c = name[offset + i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowerSuffix[i])
            return false;
    }
    return true;
}

} // namespace

NameMatcher::NameMatcher(const std::vector<FileMatcher>& matchers) {
    entries_.reserve(matchers.size());
    for (const auto& matcher : matchers) {
        Entry entry{matcher.kind(), {}, {}};
        if (matcher.kind() == FileMatcher::Kind::extensionMatch)
            entry.lowerSuffix = "." + lowerUnicode(matcher.payload());
        else if (matcher.kind() == FileMatcher::Kind::glob)
            entry.glob.emplace_back(matcher.payload());
        entries_.push_back(std::move(entry));
    }
}

bool NameMatcher::matches(std::string_view name) const {
    for (const auto& entry : entries_) {
        switch (entry.kind) {
        case FileMatcher::Kind::anyFile:
            return true;
        case FileMatcher::Kind::extensionMatch:
            if (endsWithLowered(name, entry.lowerSuffix))
                return true;
            break;
        case FileMatcher::Kind::glob:
            if (entry.glob.front().matches(name))
                return true;
            break;
        }
    }
    return false;
}

} // namespace dustlyn
