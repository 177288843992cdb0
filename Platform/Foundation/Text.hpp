#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"

#include <cstddef>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A span of a UTF-8 text, in bytes.
struct TextRange {
    std::size_t location = 0;
    std::size_t length = 0;

    std::size_t end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

/// The part of `text` a range covers (clamped to the text).
PLATFORM_EXPORT std::string_view substring(std::string_view text, TextRange range);

/// The Cocoa-domain error code of a pattern that does not compile.
inline constexpr long kInvalidPatternErrorCode = 2048;

/// Options of a regular expression.
struct RegexOptions {
    bool caseInsensitive = false;
    bool allowCommentsAndWhitespace = false;
    /// The whole pattern is literal text.
    bool ignoreMetacharacters = false;
    bool dotMatchesLineSeparators = false;
    /// ^ and $ match at line starts and ends, not only at the text's ends.
    bool anchorsMatchLines = false;
    /// Only \n ends a line.
    bool useUnixLineSeparators = false;
    bool useUnicodeWordBoundaries = false;
};

/// One match of a regular expression. `ranges[0]` is the whole match and
/// `ranges[i]` capture group i; a group that took no part in the match has none.
/// Ranges are UTF-8 byte offsets into the searched text.
struct RegexMatch {
    std::vector<std::optional<TextRange>> ranges;

    TextRange range() const { return ranges.empty() || !ranges.front() ? TextRange{} : *ranges.front(); }
};

/// A compiled regular expression in ICU syntax, the platform's regular
/// expression and "MATCHES" predicate. Copies share the compiled pattern; one
/// Regex may be used from several threads at once.
///
/// Texts are UTF-8; a byte sequence that is not valid UTF-8 is read as U+FFFD.
class PLATFORM_EXPORT Regex {
public:
    /// Compiles `pattern`. A pattern ICU cannot compile (or that is not valid
    /// UTF-8) gives an error of the Cocoa domain, kInvalidPatternErrorCode, with the pattern
    /// under "NSInvalidValue".
    static std::expected<Regex, Error> make(std::string_view pattern, RegexOptions options = {});

    const std::string& pattern() const;
    const RegexOptions& options() const;
    std::size_t numberOfCaptureGroups() const;

    /// Whether the whole text matches (not only a part of it).
    bool matchesWhole(std::string_view text) const;
    /// The first match anywhere in the text.
    std::optional<RegexMatch> firstMatch(std::string_view text) const;
    /// All matches, left to right, not overlapping.
    std::vector<RegexMatch> matches(std::string_view text) const;
    /// How many times the pattern matches.
    std::size_t numberOfMatches(std::string_view text) const;
    /// The text with every match replaced by `replacementTemplate`, in which
    /// $0…$n stand for the groups and a backslash quotes the next character.
    /// A template that names a group the pattern lacks leaves the text unchanged.
    std::string replacingMatches(std::string_view text, std::string_view replacementTemplate) const;

private:
    struct Impl;
    explicit Regex(std::shared_ptr<const Impl> impl);
    std::shared_ptr<const Impl> impl_;
};

// Case-insensitive comparison uses full Unicode case folding ("ß" matches
// "ss") and treats canonically equivalent texts ("é" as one code point or as
// "e" plus a combining accent) as equal, as the platform's
// case-insensitive compare does.

/// -1, 0 or 1 as `a` orders before, the same as, or after `b`, ignoring case.
PLATFORM_EXPORT int caseInsensitiveCompare(std::string_view a, std::string_view b);
PLATFORM_EXPORT bool caseInsensitiveEquals(std::string_view a, std::string_view b);
/// Whether `needle` occurs in `haystack`, ignoring case. An empty needle is
/// never found.
PLATFORM_EXPORT bool caseInsensitiveContains(std::string_view haystack, std::string_view needle);
/// Whether two texts are canonically equivalent (case matters).
PLATFORM_EXPORT bool canonicallyEqual(std::string_view a, std::string_view b);

/// The user-perceived characters (extended grapheme clusters) of a text, in
/// order; each points into `text`.
PLATFORM_EXPORT std::vector<std::string_view> characters(std::string_view text);
/// The number of user-perceived characters: "👨‍👩‍👧" and "e\u0301" count 1 each.
PLATFORM_EXPORT std::size_t characterCount(std::string_view text);
/// The first `count` user-perceived characters (the whole text when it has fewer).
PLATFORM_EXPORT std::string prefixCharacters(std::string_view text, std::size_t count);
/// The last `count` user-perceived characters (the whole text when it has fewer).
PLATFORM_EXPORT std::string suffixCharacters(std::string_view text, std::size_t count);

/// The text without Unicode white space and line breaks at either end.
PLATFORM_EXPORT std::string trimmingWhitespace(std::string_view text);

/// Full Unicode case mapping, the same in every locale ("ß" upper-cases to "SS").
PLATFORM_EXPORT std::string lowercased(std::string_view text);
PLATFORM_EXPORT std::string uppercased(std::string_view text);

} // namespace platform
