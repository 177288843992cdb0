#include "Platform/Foundation/Text.hpp"

#include "Platform/Foundation/Data.hpp"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/unorm.h>
#include <unicode/ustring.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>

namespace platform {

namespace {

// A read-only UText over UTF-8 bytes. ICU reports positions in such a text as
// byte offsets ("native indexes"), which is what callers get back. The bytes
// must outlive every matcher or iterator that was given this text.
class Utf8Text {
public:
    explicit Utf8Text(std::string_view text) {
        UErrorCode status = U_ZERO_ERROR;
        text_ = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
        if (U_FAILURE(status)) {
            text_ = utext_close(text_);
        }
    }
    ~Utf8Text() { utext_close(text_); }
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;

    UText* get() const { return text_; }

private:
    UText* text_ = nullptr;
};

// ICU strings hold at most INT32_MAX code units; longer texts are cut there.
icu::UnicodeString toUnicode(std::string_view text) {
    const auto length = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), length));
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string result;
    text.toUTF8String(result);
    return result;
}

uint32_t icuFlags(const RegexOptions& options) {
    uint32_t flags = 0;
    if (options.caseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
    if (options.allowCommentsAndWhitespace) flags |= UREGEX_COMMENTS;
    if (options.ignoreMetacharacters) flags |= UREGEX_LITERAL;
    if (options.dotMatchesLineSeparators) flags |= UREGEX_DOTALL;
    if (options.anchorsMatchLines) flags |= UREGEX_MULTILINE;
    if (options.useUnixLineSeparators) flags |= UREGEX_UNIX_LINES;
    if (options.useUnicodeWordBoundaries) flags |= UREGEX_UWORD;
    return flags;
}

// The canonical caseless form of a text: NFD(fold(NFD(text))).
std::optional<icu::UnicodeString> caselessForm(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    icu::UnicodeString folded = nfd->normalize(toUnicode(text), status);
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    icu::UnicodeString result = nfd->normalize(folded, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return result;
}

// unorm_compare with the given options, as -1, 0 or 1. Texts ICU cannot
// compare fall back to comparing their bytes.
int normalizedCompare(std::string_view a, std::string_view b, uint32_t options) {
    const icu::UnicodeString left = toUnicode(a);
    const icu::UnicodeString right = toUnicode(b);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t result =
        unorm_compare(left.getBuffer(), left.length(), right.getBuffer(), right.length(), options, &status);
    if (U_FAILURE(status)) {
        const int bytes = a.compare(b);
        return (bytes > 0) - (bytes < 0);
    }
    return (result > 0) - (result < 0);
}

// One character-boundary iterator per thread: creating one loads its rules,
// and an iterator must not be shared between threads.
icu::BreakIterator* characterBreakIterator() {
    thread_local const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            created.reset();
        }
        return created;
    }();
    return iterator.get();
}

// The thread's character break iterator set on a text for one walk over
// it. Afterwards it is left on an empty text, so that it holds no pointer
// into the walked one.
class CharacterWalk {
public:
    explicit CharacterWalk(std::string_view text) : utext_(text), iterator_(characterBreakIterator()) {
        // Break iterators report int32_t positions.
        if (iterator_ == nullptr || utext_.get() == nullptr || text.size() > INT32_MAX) {
            iterator_ = nullptr;
            return;
        }
        UErrorCode status = U_ZERO_ERROR;
        iterator_->setText(utext_.get(), status);
        if (U_FAILURE(status)) {
            iterator_ = nullptr;
        }
    }
    ~CharacterWalk() {
        if (iterator_ == nullptr) {
            return;
        }
        static const char empty[] = "";
        Utf8Text emptyText(std::string_view(empty, 0));
        if (emptyText.get() != nullptr) {
            UErrorCode ignored = U_ZERO_ERROR;
            iterator_->setText(emptyText.get(), ignored);
        }
    }
    CharacterWalk(const CharacterWalk&) = delete;
    CharacterWalk& operator=(const CharacterWalk&) = delete;

    /// Null when there are no break rules to walk by.
    icu::BreakIterator* iterator() const { return iterator_; }

private:
    Utf8Text utext_;
    icu::BreakIterator* iterator_;
};

// Byte offsets where user-perceived characters start, plus the text's end.
std::vector<std::size_t> characterBoundaries(std::string_view text, std::size_t limit = SIZE_MAX) {
    std::vector<std::size_t> boundaries{0};
    if (text.empty()) {
        return boundaries;
    }
    const CharacterWalk walk(text);
    icu::BreakIterator* iterator = walk.iterator();
    if (iterator == nullptr) {
        // Without break rules each code point counts as a character.
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        const auto length = static_cast<int64_t>(text.size());
        int64_t index = 0;
        while (index < length && boundaries.size() <= limit) {
            UChar32 c = 0;
            U8_NEXT(bytes, index, length, c);
            boundaries.push_back(static_cast<std::size_t>(index));
        }
        return boundaries;
    }
    iterator->first();
    for (int32_t next = iterator->next(); next != icu::BreakIterator::DONE && boundaries.size() <= limit;
         next = iterator->next()) {
        boundaries.push_back(static_cast<std::size_t>(next));
    }
    return boundaries;
}

bool isWhitespaceOrNewline(UChar32 c) { return c >= 0 && u_isUWhiteSpace(c); }

} // namespace

std::string_view substring(std::string_view text, TextRange range) {
    if (range.location >= text.size()) {
        return {};
    }
    return text.substr(range.location, range.length);
}

// ---------------------------------------------------------------------------
// Regex

struct Regex::Impl {
    std::unique_ptr<icu::RegexPattern> compiled;
    std::string pattern;
    RegexOptions options;
    std::size_t captureGroups = 0;
};

namespace {

Error invalidPatternError(std::string_view pattern) {
    nlohmann::json userInfo = nlohmann::json::object();
    const std::string text = toUtf8(toUnicode(pattern)); // keep the user info valid UTF-8
    userInfo["NSInvalidValue"] = text;
    userInfo[std::string(kLocalizedDescriptionKey)] = "The value \u201C" + text + "\u201D is invalid.";
    return Error(std::string(kCocoaErrorDomain), kInvalidPatternErrorCode, std::move(userInfo));
}

// A matcher over a UTF-8 text. It keeps the UText it reads alive as long as
// itself; the bytes belong to the caller and must outlive it.
class Utf8Matcher {
public:
    Utf8Matcher(const icu::RegexPattern& pattern, std::string_view text) : text_(text) {
        UErrorCode status = U_ZERO_ERROR;
        if (text_.get() == nullptr) {
            return;
        }
        matcher_.reset(pattern.matcher(status));
        if (U_FAILURE(status)) {
            matcher_.reset();
            return;
        }
        matcher_->reset(text_.get());
    }
    ~Utf8Matcher() { matcher_.reset(); } // before text_ goes away

    icu::RegexMatcher* get() const { return matcher_.get(); }

    RegexMatch currentMatch() const {
        RegexMatch match;
        const int32_t groups = matcher_->groupCount();
        match.ranges.reserve(static_cast<std::size_t>(groups) + 1);
        for (int32_t group = 0; group <= groups; ++group) {
            UErrorCode status = U_ZERO_ERROR;
            const int64_t start = matcher_->start64(group, status);
            const int64_t end = matcher_->end64(group, status);
            if (U_FAILURE(status) || start < 0 || end < start) {
                match.ranges.emplace_back(std::nullopt);
            } else {
                match.ranges.emplace_back(
                    TextRange{static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)});
            }
        }
        return match;
    }

private:
    Utf8Text text_;
    std::unique_ptr<icu::RegexMatcher> matcher_;
};

} // namespace

Regex::Regex(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}

std::expected<Regex, Error> Regex::make(std::string_view pattern, RegexOptions options) {
    if (!isValidUtf8(pattern) || pattern.size() > INT32_MAX) {
        return std::unexpected(invalidPatternError(pattern));
    }
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(toUnicode(pattern), icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled) {
        return std::unexpected(invalidPatternError(pattern));
    }
    auto impl = std::make_shared<Impl>();
    impl->compiled = std::move(compiled);
    impl->pattern = std::string(pattern);
    impl->options = options;
    Utf8Matcher matcher(*impl->compiled, {});
    impl->captureGroups = matcher.get() ? static_cast<std::size_t>(matcher.get()->groupCount()) : 0;
    return Regex(std::move(impl));
}

const std::string& Regex::pattern() const { return impl_->pattern; }

const RegexOptions& Regex::options() const { return impl_->options; }

std::size_t Regex::numberOfCaptureGroups() const { return impl_->captureGroups; }

bool Regex::matchesWhole(std::string_view text) const {
    Utf8Matcher matcher(*impl_->compiled, text);
    if (!matcher.get()) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const bool matched = matcher.get()->matches(status);
    return U_SUCCESS(status) && matched;
}

std::optional<RegexMatch> Regex::firstMatch(std::string_view text) const {
    Utf8Matcher matcher(*impl_->compiled, text);
    if (!matcher.get()) {
        return std::nullopt;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher.get()->find(status) || U_FAILURE(status)) {
        return std::nullopt;
    }
    return matcher.currentMatch();
}

std::vector<RegexMatch> Regex::matches(std::string_view text) const {
    std::vector<RegexMatch> found;
    Utf8Matcher matcher(*impl_->compiled, text);
    if (!matcher.get()) {
        return found;
    }
    UErrorCode status = U_ZERO_ERROR;
    while (matcher.get()->find(status) && U_SUCCESS(status)) {
        found.push_back(matcher.currentMatch());
    }
    return found;
}

std::size_t Regex::numberOfMatches(std::string_view text) const {
    Utf8Matcher matcher(*impl_->compiled, text);
    if (!matcher.get()) {
        return 0;
    }
    std::size_t count = 0;
    UErrorCode status = U_ZERO_ERROR;
    while (matcher.get()->find(status) && U_SUCCESS(status)) {
        ++count;
    }
    return count;
}

std::string Regex::replacingMatches(std::string_view text, std::string_view replacementTemplate) const {
    Utf8Matcher matcher(*impl_->compiled, text);
    if (!matcher.get()) {
        return std::string(text);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString replaced = matcher.get()->replaceAll(toUnicode(replacementTemplate), status);
    if (U_FAILURE(status)) {
        return std::string(text);
    }
    return toUtf8(replaced);
}

// ---------------------------------------------------------------------------
// Comparison

int caseInsensitiveCompare(std::string_view a, std::string_view b) {
    return normalizedCompare(a, b, U_COMPARE_IGNORE_CASE | U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER);
}

bool caseInsensitiveEquals(std::string_view a, std::string_view b) { return caseInsensitiveCompare(a, b) == 0; }

bool caseInsensitiveContains(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) {
        return false;
    }
    const auto foldedHaystack = caselessForm(haystack);
    const auto foldedNeedle = caselessForm(needle);
    if (!foldedHaystack || !foldedNeedle || foldedNeedle->isEmpty()) {
        return false;
    }
    return foldedHaystack->indexOf(*foldedNeedle) >= 0;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    return a == b || normalizedCompare(a, b, U_COMPARE_CODE_POINT_ORDER) == 0;
}

// ---------------------------------------------------------------------------
// Characters

std::vector<std::string_view> characters(std::string_view text) {
    const auto boundaries = characterBoundaries(text);
    std::vector<std::string_view> result;
    result.reserve(boundaries.size() - 1);
    for (std::size_t i = 1; i < boundaries.size(); ++i) {
        result.push_back(text.substr(boundaries[i - 1], boundaries[i] - boundaries[i - 1]));
    }
    return result;
}

std::size_t characterCount(std::string_view text) { return characterBoundaries(text).size() - 1; }

std::string prefixCharacters(std::string_view text, std::size_t count) {
    if (count == 0) {
        return {};
    }
    const auto boundaries = characterBoundaries(text, count);
    const std::size_t end = count < boundaries.size() ? boundaries[count] : text.size();
    return std::string(text.substr(0, end));
}

std::string suffixCharacters(std::string_view text, std::size_t count) {
    if (count == 0) {
        return {};
    }
    // A text of no more bytes than `count` cannot hold more characters.
    if (text.size() <= count) {
        return std::string(text);
    }
    std::size_t start = text.size();
    {
        const CharacterWalk walk(text);
        icu::BreakIterator* iterator = walk.iterator();
        if (iterator != nullptr) {
            // Backwards from the end, so that only the kept part is walked.
            iterator->last();
            for (std::size_t taken = 0; taken < count; ++taken) {
                const int32_t previous = iterator->previous();
                if (previous == icu::BreakIterator::DONE) {
                    break;
                }
                start = static_cast<std::size_t>(previous);
            }
            return std::string(text.substr(start));
        }
    }
    const auto boundaries = characterBoundaries(text);
    const auto characters = boundaries.size() - 1;
    return characters <= count ? std::string(text) : std::string(text.substr(boundaries[characters - count]));
}

std::string trimmingWhitespace(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int64_t>(text.size());
    int64_t start = 0;
    while (start < length) {
        int64_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (!isWhitespaceOrNewline(c)) {
            break;
        }
        start = next;
    }
    int64_t end = length;
    while (end > start) {
        // U8_PREV takes 32-bit offsets; a window of the last four bytes holds
        // any whole code point.
        const int64_t window = std::max<int64_t>(start, end - U8_MAX_LENGTH);
        int32_t previous = static_cast<int32_t>(end - window);
        UChar32 c = 0;
        U8_PREV(bytes + window, 0, previous, c);
        if (!isWhitespaceOrNewline(c)) {
            break;
        }
        end = window + previous;
    }
    return std::string(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string lowercased(std::string_view text) { return toUtf8(toUnicode(text).toLower(icu::Locale::getRoot())); }

std::string uppercased(std::string_view text) { return toUtf8(toUnicode(text).toUpper(icu::Locale::getRoot())); }

} // namespace platform
