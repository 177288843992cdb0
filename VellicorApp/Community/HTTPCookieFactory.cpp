#include "VellicorApp/Community/HTTPCookieFactory.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Core/AppContext.hpp"

namespace vellicor {

std::optional<platform::HttpCookie> HTTPCookieFactory::cookie(const std::string& name, const std::string& value,
                                                              platform::TimeInterval expiries) {
    const auto components =
        platform::UrlComponents::parse(communityStartPage(AppContext::current()->userAccountManager->loginHost()));
    if (!components || !components->host || components->host->empty()) return std::nullopt;
    platform::HttpCookieProperties properties;
    properties.name = name;
    properties.value = value;
    properties.domain = *components->host;
    properties.path = "/";
    properties.secure = true;
    properties.expires = expiries;
    return platform::HttpCookie::create(properties);
}

} // namespace vellicor
