#include "core/rules/GlobMatch.h"

#include "core/base/Utf8.h"

#include <unicode/brkiter.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <mutex>
#include <optional>

namespace dustlyn {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// What "." refuses in the regular expression: line terminators.
bool isLineTerminator(char c) {
    return c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Glob matching over ASCII text, the same answers the regular expression gives for an
// ASCII name and an ASCII pattern (case folding of ASCII letters only stays in ASCII).
bool asciiGlob(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::optional<std::size_t> starP;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size() && !isLineTerminator(name[n]) &&
            (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p, ++n;
            continue;
        }
        // Backtrack: let the last star take one more character, never a line break.
        if (starP && !isLineTerminator(name[starN])) {
            p = *starP + 1;
            n = ++starN;
            continue;
        }
        return false;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The literal start and end of an ASCII pattern, lower-cased: "screenshot" and ".png" of
// "Screenshot*.png". A plain-ASCII name must begin and end with them to match, which rules
// out most names of a folder before any backtracking.
struct LiteralEnds {
    std::string prefix;
    std::string suffix;
    // The pattern is prefix, one "*", suffix, and its literals hold no line break: a name
    // then matches exactly when it is long enough, begins and ends right, and has no line
    // break in between, which needs no backtracking.
    bool singleStar = false;

    static LiteralEnds of(std::string_view pattern) {
        LiteralEnds ends;
        const std::size_t firstWild = pattern.find_first_of("*?");
        ends.prefix = lowered(pattern.substr(0, firstWild));
        const std::size_t lastStar = pattern.rfind('*');
        if (lastStar != std::string_view::npos &&
            pattern.find('?', lastStar) == std::string_view::npos)
            ends.suffix = lowered(pattern.substr(lastStar + 1));
        ends.singleStar = firstWild == lastStar && lastStar != std::string_view::npos &&
                          pattern.find('?') == std::string_view::npos &&
                          std::none_of(pattern.begin(), pattern.end(), isLineTerminator);
        return ends;
    }

    // Only for a name that admit() let through.
    bool matchesSingleStar(std::string_view name) const {
        if (name.size() < prefix.size() + suffix.size())
            return false;
        const std::string_view middle =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        // "\n", "\v", "\f" and "\r" are 0x0A to 0x0D: one unsigned comparison each.
        bool lineBreak = false;
        for (const char c : middle)
            lineBreak |= static_cast<unsigned char>(c - '\n') < 4;
        return !lineBreak;
    }

    bool admit(std::string_view name) const {
        return name.size() >= prefix.size() && name.size() >= suffix.size() &&
               foldedEqual(name.substr(0, prefix.size()), prefix) &&
               foldedEqual(name.substr(name.size() - suffix.size()), suffix);
    }

private:
    static std::string lowered(std::string_view text) {
        std::string out(text);
        for (char& c : out)
            c = lowerAscii(c);
        return out;
    }
    static bool foldedEqual(std::string_view text, const std::string& lower) {
        for (std::size_t i = 0; i < lower.size(); ++i)
            if (lowerAscii(text[i]) != lower[i])
                return false;
        return true;
    }
};

} // namespace

struct GlobMatch::Compiled {
    std::string pattern;
    bool ascii = false;
    LiteralEnds ends; // for ASCII patterns
    // Compiled when a name first needs it: an ASCII pattern over ASCII names never does, and
    // a case-insensitive expression costs a program milliseconds of Unicode tables to build.
    mutable std::once_flag compiling;
    mutable std::unique_ptr<icu::RegexPattern> regex;

    const icu::RegexPattern* expression() const {
        std::call_once(compiling, [this] {
            UErrorCode status = U_ZERO_ERROR;
            UParseError parseError{};
            regex.reset(
                icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(regularExpression(pattern)),
                                           UREGEX_CASE_INSENSITIVE, parseError, status));
            if (U_FAILURE(status))
                regex.reset();
        });
        return regex.get();
    }
};

std::string GlobMatch::regularExpression(std::string_view pattern) {
    static constexpr std::string_view special = ".()[]{}+^$|\\";
    std::string expression = "^";
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> graphemes(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    auto appendPiece = [&](const icu::UnicodeString& piece) {
        std::string utf8;
        piece.toUTF8String(utf8);
        if (utf8 == "*")
            expression += ".*";
        else if (utf8 == "?")
            expression += ".";
        else if (utf8.size() == 1 && special.find(utf8[0]) != std::string_view::npos)
            expression += "\\" + utf8;
        else
            expression += utf8;
    };
    if (U_FAILURE(status) || !graphemes) {
        for (int32_t i = 0; i < text.length(); ++i)
            appendPiece(icu::UnicodeString(text.char32At(i)));
    } else {
        graphemes->setText(text);
        int32_t start = graphemes->first();
        for (int32_t end = graphemes->next(); end != icu::BreakIterator::DONE;
             start = end, end = graphemes->next())
            appendPiece(icu::UnicodeString(text, start, end - start));
    }
    return expression + "$";
}

GlobMatch::GlobMatch(std::string_view pattern) : compiled_(std::make_unique<Compiled>()) {
    compiled_->pattern = std::string(pattern);
    compiled_->ascii = isAscii(pattern);
    if (compiled_->ascii)
        compiled_->ends = LiteralEnds::of(pattern);
}

GlobMatch::~GlobMatch() = default;
GlobMatch::GlobMatch(GlobMatch&&) noexcept = default;
GlobMatch& GlobMatch::operator=(GlobMatch&&) noexcept = default;

bool GlobMatch::matches(std::string_view filename) const {
    return matches(filename, isAscii(filename));
}

bool GlobMatch::matches(std::string_view filename, bool filenameIsAscii) const {
    // "$" also matches just before a final line terminator, which the walk below does not
    // model; such names take the regular expression.
    const bool endsInLineTerminator = !filename.empty() && isLineTerminator(filename.back());
    if (compiled_->ascii && filenameIsAscii && !endsInLineTerminator) {
        const LiteralEnds& ends = compiled_->ends;
        if (!ends.admit(filename))
            return false;
        return ends.singleStar ? ends.matchesSingleStar(filename)
                               : asciiGlob(compiled_->pattern, filename);
    }
    const icu::RegexPattern* regex = compiled_->expression();
    if (!regex)
        return false;
    const icu::UnicodeString name = icu::UnicodeString::fromUTF8(
        icu::StringPiece(filename.data(), static_cast<int32_t>(filename.size())));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(regex->matcher(name, status));
    if (U_FAILURE(status) || !matcher)
        return false;
    const bool found = matcher->find(status);
    return U_SUCCESS(status) && found;
}

} // namespace dustlyn
