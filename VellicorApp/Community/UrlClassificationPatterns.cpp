// The syntax tests of rule patterns (isAbsoluteURL, isRelativeURL,
// isValidURL). Patterns come from the app's configuration, the stored copy of
// edited rules and the rule editor's text field, so each test reads the text
// once, left to right: no input can make it slow.
//
// The accepted texts are those of these whole-string expressions, kept here
// as the definition (C is the pattern character set below):
//   absolute  ^(https?://)(C+\.[a-zA-Z.]{2,63}|[\d.]+)([/:?=&#]C+)*[/?]?$
//   relative  ^(/)(C*|[\d.]+)([/:?=&#]C+)*[/?]?$
// with C = [\da-zA-Z$\-_.+!*'(),;/?:@=&] ("\d" being a decimal digit of any
// script). Everything in [/:?=&#] but "#" is in C, which is what lets the
// tests below decide without trying one split after another.

#include "VellicorApp/Community/UrlClassification.hpp"

#include "Platform/Foundation/Text.hpp"

#include <algorithm>
#include <array>

namespace vellicor {

namespace {

enum CharacterClass : unsigned char {
    kPatternCharacter = 1, // C
    kHostLetter = 2,       // [a-zA-Z.], the top-level name
    kAddressDigit = 4,     // [\d.], a numeric address
};

constexpr std::array<unsigned char, 128> makeClasses() {
    std::array<unsigned char, 128> classes{};
    for (unsigned char c = 'a'; c <= 'z'; ++c) classes[c] = kPatternCharacter | kHostLetter;
    for (unsigned char c = 'A'; c <= 'Z'; ++c) classes[c] = kPatternCharacter | kHostLetter;
    for (unsigned char c = '0'; c <= '9'; ++c) classes[c] = kPatternCharacter | kAddressDigit;
    for (const char c : std::string_view("$-_+!*'(),;/?:@=&")) {
        classes[static_cast<unsigned char>(c)] = kPatternCharacter;
    }
    classes['.'] = kPatternCharacter | kHostLetter | kAddressDigit;
    return classes;
}
constexpr auto kClasses = makeClasses();

bool is(char c, CharacterClass characterClass) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < kClasses.size() && (kClasses[byte] & characterClass) != 0;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Runs `test` on the text with every decimal digit written as "0". Digits of
// other scripts are pattern characters like ASCII ones; any other character
// outside ASCII is in no class, so such a text is no pattern.
template <class Test> bool testAsAscii(std::string_view text, Test test) {
    if (isAscii(text)) return test(text);
    static const platform::Regex digit = platform::Regex::make(R"(\d)").value();
    const std::string digitsAsZero = digit.replacingMatches(text, "0");
    return isAscii(digitsAsZero) && test(std::string_view(digitsAsZero));
}

// ([/:?=&#]C+)* from the first "#" on: every "#" followed by a pattern
// character, everything else a pattern character.
bool isFragmentRun(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#') {
            if (i + 1 == text.size() || !is(text[i + 1], kPatternCharacter)) return false;
        } else if (!is(text[i], kPatternCharacter)) {
            return false;
        }
    }
    return true;
}

// Whether an absolute pattern's address (the text after the scheme, up to the
// first "#", all pattern characters) is a host followed by a valid tail:
// nothing, a separator and at least one more character, or, when nothing
// follows the address, a lone "/" or "?".
bool isAddress(std::string_view address, bool endsTheText) {
    const std::size_t n = address.size();
    const auto tailFits = [&](std::size_t start) {
        if (start == n) return true;
        const char first = address[start];
        if (first != '/' && first != ':' && first != '?' && first != '=' && first != '&') return false;
        return n - start >= 2 || (endsTheText && (first == '/' || first == '?'));
    };

    // [\d.]+ : a numeric address, of any length up to the first other character.
    std::size_t digits = 0;
    while (digits < n && is(address[digits], kAddressDigit)) ++digits;
    for (std::size_t end = 1; end <= digits; ++end) {
        if (tailFits(end)) return true;
    }

    // C+\.[a-zA-Z.]{2,63} : some text, a dot not at the start, and 2 to 63
    // name characters ending where the tail starts. For each end, the best dot
    // is the last one at least 2 characters before it.
    constexpr std::size_t kMinName = 2;
    constexpr std::size_t kMaxName = 63;
    std::size_t letterRun = 0;                   // name characters just before `end`
    std::size_t dot = std::string_view::npos;    // last "." at or before end - 3
    for (std::size_t end = 1; end <= n; ++end) {
        letterRun = is(address[end - 1], kHostLetter) ? letterRun + 1 : 0;
        if (end >= kMinName + 1 && address[end - kMinName - 1] == '.') dot = end - kMinName - 1;
        if (dot == std::string_view::npos || dot == 0) continue;
        const std::size_t nameLength = end - dot - 1;
        if (nameLength <= kMaxName && dot + letterRun >= end && tailFits(end)) return true;
    }
    return false;
}

bool isAbsolute(std::string_view text) {
    std::string_view rest;
    if (text.starts_with("https://")) {
        rest = text.substr(8);
    } else if (text.starts_with("http://")) {
        rest = text.substr(7);
    } else {
        return false;
    }
    const auto hash = rest.find('#');
    const std::string_view address = rest.substr(0, hash);
    const std::string_view fragments = hash == std::string_view::npos ? std::string_view() : rest.substr(hash);
    if (!isFragmentRun(fragments)) return false;
    if (!std::all_of(address.begin(), address.end(), [](char c) { return is(c, kPatternCharacter); })) return false;
    return isAddress(address, fragments.empty());
}

bool isRelative(std::string_view text) { return text.starts_with('/') && isFragmentRun(text.substr(1)); }

} // namespace

bool isAbsoluteURL(std::string_view text) { return testAsAscii(text, isAbsolute); }

bool isRelativeURL(std::string_view text) { return testAsAscii(text, isRelative); }

bool isValidURL(std::string_view text) { return isAbsoluteURL(text) || isRelativeURL(text); }

} // namespace vellicor
