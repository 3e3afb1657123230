#include "core/rules/NameMatcher.h"

#include "core/base/Utf8.h"

#include <algorithm>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace dustlyn {

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowerUnicode(std::string_view text) {
    // Plain ASCII lowers the same without the library's case tables.
    if (isAscii(text)) {
        std::string out(text);
        std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
        return out;
    }
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    unicode.toLower(icu::Locale::getRoot());
    std::string out;
    unicode.toUTF8String(out);
    return out;
}

// Compared from the end, where names differ first; no library call for a few bytes.
bool endsWith(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin());
}

// Suffix test of an ASCII name as if lower-cased, without building the lower-cased name.
bool asciiEndsWithLowered(std::string_view name, const std::string& lowerSuffix) {
    if (name.size() < lowerSuffix.size())
        return false;
    const std::size_t offset = name.size() - lowerSuffix.size();
    for (std::size_t i = 0; i < lowerSuffix.size(); ++i)
        if (lowerAscii(name[offset + i]) != lowerSuffix[i])
            return false;
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
        longestSuffix_ = std::max(longestSuffix_, entry.lowerSuffix.size());
        entries_.push_back(std::move(entry));
    }
}

bool NameMatcher::matches(std::string_view name) const {
    return matches(name, isAscii(name));
}

bool NameMatcher::matches(std::string_view name, bool ascii) const {
    // Scans test every name against every rule: the end of the name is lower-cased once for
    // all the extensions, and the Unicode tables are needed only for a name that is not
    // plain ASCII.
    char tail[32];
    const std::size_t tailLength = ascii ? std::min({name.size(), longestSuffix_, sizeof tail}) : 0;
    for (std::size_t i = 0; i < tailLength; ++i)
        tail[i] = lowerAscii(name[name.size() - tailLength + i]);
    std::string lowered;
    for (const auto& entry : entries_) {
        switch (entry.kind) {
        case FileMatcher::Kind::anyFile:
            return true;
        case FileMatcher::Kind::extensionMatch: {
            const std::string& suffix = entry.lowerSuffix;
            if (ascii && suffix.size() <= tailLength) {
                if (endsWith(std::string_view(tail, tailLength), suffix))
                    return true;
            } else if (ascii) {
                if (asciiEndsWithLowered(name, suffix))
                    return true;
            } else {
                if (lowered.empty())
                    lowered = lowerUnicode(name);
                if (endsWith(lowered, suffix))
                    return true;
            }
            break;
        }
        case FileMatcher::Kind::glob:
            if (entry.glob.front().matches(name, ascii))
                return true;
            break;
        }
    }
    return false;
}

} // namespace dustlyn
