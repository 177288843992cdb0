#include "Platform/SDKs/Veltrane/StringAdditions.hpp"

#include "Platform/Foundation/Url.hpp"

#include <algorithm>

namespace platform::veltrane {

namespace {

bool isAsciiAlphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::string stringByURLEncoding(std::string_view text) {
    return addingPercentEncoding(text, UrlCharacterSet::alphanumerics);
}

std::optional<std::string> entityId18(std::string_view id) {
    if (!std::all_of(id.begin(), id.end(), isAsciiAlphanumeric)) return std::nullopt;
    if (id.size() == 18) return std::string(id);
    if (id.size() != 15) return std::nullopt;
    static constexpr std::string_view kChecksumCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    std::string result(id);
    for (std::size_t chunk = 0; chunk < 3; ++chunk) {
        unsigned flags = 0;
        for (std::size_t i = 0; i < 5; ++i) {
            const char c = id[chunk * 5 + i];
            if (c >= 'A' && c <= 'Z') flags |= 1u << i;
        }
        result += kChecksumCharacters[flags];
    }
    return result;
}

} // namespace platform::veltrane
