#include "VellicorApp/Core/LogMasking.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

namespace vellicor {

namespace {

using Size = std::size_t;

/// A name whose value is a token, a session id or a one-time code, and the
/// forms it is masked in: a query item or cookie ("name=value"), a JSON key
/// ("name": "value").
struct SecretName {
    std::string_view name;
    bool query;
    bool json;
};
constexpr std::array<SecretName, 9> kSecretNames = {{
    {"sid", true, true},
    {"access_token", true, true},
    {"refresh_token", true, true},
    {"csrf_token", true, true},
    {"token", true, true},
    {"code", true, false}, // the login's authorisation code; "code" in JSON is an error code
    {"accessToken", false, true},
    {"refreshToken", false, true},
    {"csrfToken", false, true},
}};
constexpr std::string_view kBearer = "bearer";
constexpr std::string_view kFrontDoor = "entry.vx";
/// Cookie name prefixes, after which a name still stands on its own ("__Host-sid").
constexpr std::array<std::string_view, 2> kCookiePrefixes = {"__Host-", "__Secure-"};
/// Encoded "&", "?", blank, quote, "," and ";", after which a name stands on its own.
constexpr std::array<std::string_view, 6> kNameSeparatorEscapes = {"26", "3F", "20", "22", "2C", "3B"};
/// Encoded "&" and "#", which end a value.
constexpr std::array<std::string_view, 2> kValueSeparatorEscapes = {"26", "23"};
/// Every masked form contains one of these, in any case; a line with none of
/// them (nearly every line) is returned as it is after one quick look.
constexpr std::array<std::string_view, 5> kTriggerWords = {"sid", "token", kBearer, kFrontDoor, "code"};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

/// Characters that end a value in every form: blanks, quotes, backslashes
/// (of an escaped quote), brackets and the separators of headers and cookies.
bool endsEveryValue(char c) {
    switch (c) {
    case ' ': case '\t': case '\r': case '\n': case '"': case '\'': case '\\': case '<': case '>': case ',': case ';':
        return true;
    default:
        return false;
    }
}

bool startsWithIgnoringCase(std::string_view text, Size at, std::string_view word) {
    if (at > text.size() || text.size() - at < word.size()) return false;
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

/// The end of a run from `at` of characters that are `plain` ones or `hex` percent-encoded.
template <class Plain>
Size runEnd(std::string_view text, Size at, Plain plain, std::string_view hex) {
    while (at < text.size()) {
        if (plain(text[at])) {
            ++at;
        } else if (const auto escape = escapeAt(text, at, hex)) {
            at += escape->length;
        } else {
            break;
        }
    }
    return at;
}

/// The end of a run of backslashes, plain or percent-encoded, from `at`.
Size backslashesEnd(std::string_view text, Size at) {
    return runEnd(text, at, [](char c) { return c == '\\'; }, "5C");
}

/// A quote as a logged text holds one: plain ("), escaped inside another
/// string (\", \\\") or percent-encoded (%22, %5C%22, %2522). `level` is its
/// encoding level; a lone plain quote has length 1.
std::optional<Escape> quoteAt(std::string_view text, Size at) {
    const Size quote = backslashesEnd(text, at);
    const auto found = characterAt(text, quote, '"', "22");
    if (!found) return std::nullopt;
    return Escape{quote - at + found->length, found->level};
}

/// The end of blanks from `at`: spaces, tabs, "+" and encoded spaces.
Size blanksEnd(std::string_view text, Size at) {
    return runEnd(text, at, [](char c) { return c == ' ' || c == '\t' || c == '+'; }, "20");
}

/// Whether a name at `at` follows a character that cannot be part of a name,
/// or an encoded "&", "?", blank, quote, "," or ";" ("%26sid", "%253Fsid").
bool followsSeparator(std::string_view text, Size at) {
    if (at == 0 || !isNameCharacter(text[at - 1])) return true;
    for (const std::string_view hex : kNameSeparatorEscapes) {
        if (at < 3 || !startsWithIgnoringCase(text, at - 2, hex)) continue;
        Size position = at - 2;
        while (position >= 2 && startsWithIgnoringCase(text, position - 2, "25")) position -= 2;
        if (position >= 1 && text[position - 1] == '%') return true;
    }
    return false;
}

/// Whether a name starting at `at` stands on its own: after a separator, or
/// after a cookie prefix that does ("; __Host-sid=").
bool startsName(std::string_view text, Size at) {
    if (followsSeparator(text, at)) return true;
    return std::ranges::any_of(kCookiePrefixes, [&](std::string_view prefix) {
        return at >= prefix.size() && startsWithIgnoringCase(text, at - prefix.size(), prefix) &&
               followsSeparator(text, at - prefix.size());
    });
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

/// The end of a plain JSON string value that starts at `from` (after its quote).
Size jsonStringEnd(std::string_view text, Size from) {
    Size position = from;
    while (position < text.size() && text[position] != '"') position += text[position] == '\\' ? 2 : 1;
    return std::min(position, text.size());
}

/// The end of a JSON string value that starts at `from` inside other text
/// (escaped or percent-encoded): at the next quote in any form, or at a
/// character that ends every value.
Size embeddedStringEnd(std::string_view text, Size from) {
    Size position = from;
    while (position < text.size()) {
        const char c = text[position];
        if (c == '\\' || c == '%') {
            // Each run of backslashes is read once: the scan stays linear.
            const Size run = backslashesEnd(text, position);
            if (characterAt(text, run, '"', "22")) return position;
            position = std::max(run, position + 1);
            continue;
        }
        if (endsEveryValue(c)) return position;
        ++position;
    }
    return position;
}

struct Range {
    Size begin;
    Size end;
};

/// The value of a JSON key whose name ends at `after`: a closing quote,
/// a colon between blanks (each in any form) and a string value.
std::optional<Range> jsonValueAfter(std::string_view text, Size after) {
    const auto closing = quoteAt(text, after);
    if (!closing) return std::nullopt;
    Size position = blanksEnd(text, after + closing->length);
    const auto colon = characterAt(text, position, ':', "3A");
    if (!colon) return std::nullopt;
    position = blanksEnd(text, position + colon->length);
    const auto opening = quoteAt(text, position);
    if (!opening) return std::nullopt;
    const Size begin = position + opening->length;
    if (opening->length == 1 && opening->level == 0) return Range{begin, jsonStringEnd(text, begin)};
    return Range{begin, embeddedStringEnd(text, begin)};
}

/// Whether the first two letters at `at` begin one of the names (in any
/// case): a cheap test that nearly every position of a line fails.
bool mayStartName(std::string_view text, Size at) {
    if (at + 1 >= text.size()) return false;
    const char second = asciiLower(text[at + 1]);
    switch (asciiLower(text[at])) {
    case 's': return second == 'i';
    case 'a': return second == 'c';
    case 'r': return second == 'e';
    case 'c': return second == 's' || second == 'o';
    case 't': return second == 'o';
    case 'b': return second == 'e';
    case 'e': return second == 'n';
    default: return false;
    }
}

/// The token value a name at `at` introduces, if any.
std::optional<Range> maskedValueAt(std::string_view text, Size at) {
    // The look-behind and the name tables run only where a name may start.
    if (!mayStartName(text, at)) return std::nullopt;
    const char first = asciiLower(text[at]);
    if (first == 'e') {
        if (!startsWithIgnoringCase(text, at, kFrontDoor)) return std::nullopt;
        const Size after = at + kFrontDoor.size();
        if (const auto question = characterAt(text, after, '?', "3F")) {
            const Size begin = after + question->length;
            return Range{begin, frontDoorQueryEnd(text, begin, question->level)};
        }
        return std::nullopt;
    }
    const bool isBearer = startsWithIgnoringCase(text, at, kBearer);
    const bool nameFollows = isBearer || std::ranges::any_of(kSecretNames, [&](const SecretName& secret) {
                                 return startsWithIgnoringCase(text, at, secret.name);
                             });
    if (!nameFollows || !startsName(text, at)) return std::nullopt;
    if (isBearer) {
        const Size after = at + kBearer.size();
        const Size begin = blanksEnd(text, after);
        if (begin == after) return std::nullopt;
        // A value after an encoded blank ends at an "&" or "#" encoded as deep.
        int level = 0;
        for (Size position = after; position < begin; ++position) {
            if (const auto escape = escapeAt(text, position, "20")) level = std::max(level, escape->level);
        }
        return Range{begin, valueEnd(text, begin, level)};
    }
    for (const auto& secret : kSecretNames) {
        if (!startsWithIgnoringCase(text, at, secret.name)) continue;
        const Size after = at + secret.name.size();
        if (secret.query) {
            if (const auto equals = characterAt(text, after, '=', "3D")) {
                const Size begin = after + equals->length;
                return Range{begin, valueEnd(text, begin, equals->level)};
            }
        }
        if (secret.json) {
            if (const auto range = jsonValueAfter(text, after)) return range;
        }
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
        case 'c': word = kTriggerWords[4]; break;
        default: continue;
        }
        if ((line[at + 1] | 0x20) == word[1] && startsWithIgnoringCase(line, at, word)) return true;
    }
    return false;
}

/// The names of the items of a query or fragment, in order, joined by "&".
std::string itemNames(std::string_view items) {
    std::string names;
    for (Size start = 0;;) {
        const Size end = std::min(items.find('&', start), items.size());
        const auto item = items.substr(start, end - start);
        names.append(item.substr(0, item.find('=')));
        if (end == items.size()) break;
        names += '&';
        start = end + 1;
    }
    return names;
}

} // namespace

std::string loggableAddress(const platform::Url& url) {
    const auto absolute = url.absoluteURL();
    std::string text;
    const auto scheme = absolute.scheme();
    const auto host = absolute.host();
    if (scheme && host) {
        const bool ipLiteral = host->find(':') != std::string::npos && !host->starts_with('[');
        text = *scheme + "://" + (ipLiteral ? "[" + *host + "]" : *host);
        if (const auto port = absolute.port()) text += ":" + std::to_string(*port);
        text += absolute.percentEncodedPath();
    } else {
        const auto whole = absolute.absoluteString();
        text = whole.substr(0, whole.find_first_of("?#"));
    }
    if (const auto query = absolute.query()) text += "?" + itemNames(*query);
    if (const auto fragment = absolute.fragment()) text += "#" + itemNames(*fragment);
    return text;
}

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
