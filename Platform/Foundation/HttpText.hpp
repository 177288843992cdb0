#pragma once

// Text helpers of the HTTP code (internal to the platform library). Header
// names, methods and cookie attributes are ASCII tokens, compared byte by
// byte without regard to ASCII case; the locale-aware compare of Text.hpp
// would treat texts as equal that HTTP does not.

#include <algorithm>
#include <string>
#include <string_view>

namespace platform::httptext {

inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), asciiLower);
    return result;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

inline std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\r\n";
    auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos) {
        return {};
    }
    auto last = text.find_last_not_of(space);
    return text.substr(first, last - first + 1);
}

inline std::string_view unquoted(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

/// An HTTP token (method or header name): visible ASCII without separators.
inline bool isToken(std::string_view text) {
    constexpr std::string_view separators = "()<>@,;:\\\"/[]?={} \t";
    return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
        auto u = static_cast<unsigned char>(c);
        return u > 32 && u < 127 && separators.find(c) == std::string_view::npos;
    });
}

inline bool isSafeHeaderValue(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

inline bool hasControlCharacters(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

inline bool containsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

} // namespace platform::httptext
