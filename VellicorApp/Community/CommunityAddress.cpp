#include "VellicorApp/Community/CommunityAddress.hpp"

#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/AppMode.hpp"

#include "Platform/Foundation/Text.hpp"

namespace vellicor {

std::string withTrailingSlash(std::string_view text) {
    std::string result(text);
    if (result.empty() || result.back() != '/') result.push_back('/');
    return result;
}

std::string communityStartPage(std::string_view loginHost) {
    if (isSlashSCommunity(AppContext::current()->appMode())) {
        return "https://" + std::string(loginHost) + "/s/";
    }
    return "https://" + withTrailingSlash(loginHost);
}

std::string asciiFiltered(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const auto character : platform::characters(text)) {
        const bool singleAsciiScalar = character.size() == 1 && static_cast<unsigned char>(character.front()) < 0x80;
        if (singleAsciiScalar || character == "\r\n") result.append(character);
    }
    return result;
}

} // namespace vellicor
