#include "VellicorApp/Shell/LogMasking.hpp"

#include <array>
#include <cstddef>
#include <algorithm>
#include <optional>

namespace vellicor {

namespace {

using Size = std::size_t;

/// Query items whose value is a token or a session id.
constexpr std::array<std::string_view, 3> kQueryKeys = {"sid", "access_token", "refresh_token"};
/// JSON keys whose value is a token or a session id.
constexpr std::array<std::string_view, 5> kJsonKeys = {"sid", "access_token", "refresh_token", "accessToken",
                                                       "refreshToken"};
constexpr std::string_view kBearer = "bearer";
constexpr std::string_view kFrontDoor = "entry.vx";
/// Encoded "&", "?" and blank, after which a name stands on its own.
constexpr std::array<std::string_view, 3> kNameSeparatorEscapes = {"26", "3F", "20"};
/// Encoded "&" and "#", which end a value.
constexpr std::array<std::string_view, 2> kValueSeparatorEscapes = {"26", "23"};
/// Every masked form contains one of these, in any case; a line with none of
/// them (nearly every line) is returned as it is after one quick look.
constexpr std::array<std::string_view, 4> kTriggerWords = {"sid", "token", kBearer, kFrontDoor};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

/// Characters that end a value in every form: blanks, quotes, brackets and
/// the separators of headers and cookies.
bool endsEveryValue(char c) {
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '"': case '\'': case '<': case '>': case ',': case ';':
        return true;
    default:
        return false;
    }
}

bool startsWithIgnoringCase(std::string_view text, Size at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (Size i = 0; i < word.size(); ++i) {
        if (asciiLower(text[at + i]) != asciiLower(word[i])) return false;
    }
    return true;
}

/// A character percent-encoded once or more at `at`: "%3D", "%253D",
/// "%25253D"... `level` counts the encodings (a plain character is level 0).
struct Escape {
    Size length;
    int level;
};

std::optional<Escape> escapeAt(std::string_view text, Size at, std::string_view hex) {
    if (at >= text.size() || text[at] != '%') return std::nullopt;
    Size position = at + 1;
    int level = 1;
    while (true) {
        if (startsWithIgnoringCase(text, position, hex)) return Escape{position + hex.size() - at, level};
        if (!startsWithIgnoringCase(text, position, "25")) return std::nullopt;
        position += 2;
        ++level;
    }
}

/// The character `plain` at `at`, plain (level 0) or percent-encoded as `hex`.
std::optional<Escape> characterAt(std::string_view text, Size at, char plain, std::string_view hex) {
    if (at < text.size() && text[at] == plain) return Escape{1, 0};
    return escapeAt(text, at, hex);
}

/// Whether a name starting at `at` stands on its own: at the start, after a
/// character that cannot be part of a name, or after an encoded "&", "?" or
/// blank ("%26sid", "%253Fsid").
bool startsName(std::string_view text, Size at) {
    if (at == 0 || !isNameCharacter(text[at - 1])) return true;
    for (const std::string_view hex : kNameSeparatorEscapes) {
        if (at < 3 || !startsWithIgnoringCase(text, at - 2, hex)) continue;
        Size position = at - 2;
        while (position >= 2 && startsWithIgnoringCase(text, position - 2, "25")) position -= 2;
        if (position >= 1 && text[position - 1] == '%') return true;
    }
    return false;
}

/// Where a value of the given encoding level that starts at `from` ends:
/// at a character that ends every value, or at an "&" or "#" encoded no more
/// than the value itself (a deeper-encoded one belongs to the value).
Size valueEnd(std::string_view text, Size from, int level) {
    Size position = from;
    while (position < text.size()) {
        const char c = text[position];
        if (endsEveryValue(c) || c == '&' || c == '#') return position;
        if (c == '%') {
            for (const std::string_view hex : kValueSeparatorEscapes) {
                if (const auto escape = escapeAt(text, position, hex); escape && escape->level <= level) return position;
            }
        }
        ++position;
    }
    return position;
}

/// Where a front-door query that starts at `from` ends: a plain query runs to
/// the end of the address; an encoded one to the end of the value that holds it.
Size frontDoorQueryEnd(std::string_view text, Size from, int level) {
    if (level > 0) return valueEnd(text, from, level - 1);
    Size position = from;
    while (position < text.size() && !endsEveryValue(text[position])) ++position;
    return position;
}

/// The end of a JSON string value that starts at `from` (after its quote).
Size jsonStringEnd(std::string_view text, Size from) {
    Size position = from;
    while (position < text.size() && text[position] != '"') position += text[position] == '\\' ? 2 : 1;
    return std::min(position, text.size());
}

struct Range {
    Size begin;
    Size end;
};

/// The token value a name at `at` introduces, if any.
std::optional<Range> maskedValueAt(std::string_view text, Size at) {
    if (startsWithIgnoringCase(text, at, kFrontDoor)) {
        const Size after = at + kFrontDoor.size();
        if (const auto question = characterAt(text, after, '?', "3F")) {
            const Size begin = after + question->length;
            return Range{begin, frontDoorQueryEnd(text, begin, question->level)};
        }
        return std::nullopt;
    }
    // Names start with a letter; the look-behind runs only where a name does.
    const char first = asciiLower(text[at]);
    if (first != 's' && first != 'a' && first != 'r' && first != 'b') return std::nullopt;
    // The JSON keys include every query key.
    const bool nameFollows = startsWithIgnoringCase(text, at, kBearer) || std::ranges::any_of(kJsonKeys, [&](auto key) {
                                 return startsWithIgnoringCase(text, at, key);
                             });
    if (!nameFollows || !startsName(text, at)) return std::nullopt;
    if (startsWithIgnoringCase(text, at, kBearer)) {
        Size begin = at + kBearer.size();
        if (begin >= text.size() || (text[begin] != ' ' && text[begin] != '\t')) return std::nullopt;
        while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
        return Range{begin, valueEnd(text, begin, 0)};
    }
    for (const auto key : kQueryKeys) {
        if (!startsWithIgnoringCase(text, at, key)) continue;
        const Size after = at + key.size();
        if (const auto equals = characterAt(text, after, '=', "3D")) {
            const Size begin = after + equals->length;
            return Range{begin, valueEnd(text, begin, equals->level)};
        }
    }
    for (const auto key : kJsonKeys) {
        if (!startsWithIgnoringCase(text, at, key)) continue;
        Size position = at + key.size();
        if (position >= text.size() || text[position] != '"') continue;
        ++position;
        while (position < text.size() && text[position] == ' ') ++position;
        if (position >= text.size() || text[position] != ':') continue;
        ++position;
        while (position < text.size() && text[position] == ' ') ++position;
        if (position >= text.size() || text[position] != '"') continue;
        return Range{position + 1, jsonStringEnd(text, position + 1)};
    }
    return std::nullopt;
}

/// Whether the line holds one of the trigger words, in any case: one pass
/// that looks further only where the first two letters of one stand. A
/// false alarm only costs the full look.
bool mayHoldToken(std::string_view line) {
    const Size size = line.size();
    for (Size at = 0; at + 1 < size; ++at) {
        std::string_view word;
        switch (line[at] | 0x20) {
        case 's': word = kTriggerWords[0]; break;
        case 't': word = kTriggerWords[1]; break;
        case 'b': word = kTriggerWords[2]; break;
        case 'e': word = kTriggerWords[3]; break;
        default: continue;
        }
        if ((line[at + 1] | 0x20) == word[1] && startsWithIgnoringCase(line, at, word)) return true;
    }
    return false;
}

} // namespace

std::string maskingTokens(std::string_view line) {
    if (!mayHoldToken(line)) return std::string(line);
    std::string result;
    result.reserve(line.size());
    Size position = 0;
    Size copied = 0;
    while (position < line.size()) {
        const auto range = maskedValueAt(line, position);
        if (!range || range->end <= range->begin) {
            ++position;
            continue;
        }
        result.append(line.substr(copied, range->begin - copied)).append(kMaskedValue);
        copied = position = range->end;
    }
    result.append(line.substr(copied));
    return result;
}

} // namespace vellicor
