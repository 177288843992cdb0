#include "VellicorApp/Hybrid/CommunityOrigin.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

namespace {

/// The community's addresses, in the forms isCommunityOrigin takes: the login
/// host (no scheme), then the signed-in user's URLs.
std::vector<std::string> communityAddresses() {
    const auto context = AppContext::current();
    std::vector<std::string> addresses;
    if (!context->userAccountManager) return addresses;
    if (auto loginHost = context->userAccountManager->loginHost(); !loginHost.empty()) {
        addresses.push_back(std::move(loginHost));
    }
    const auto account = context->userAccount();
    if (account && account->credentials()) {
        const auto& credentials = *account->credentials();
        for (const auto* url : {&credentials.communityUrl, &credentials.apiInstanceUrl, &credentials.instanceUrl}) {
            if (*url) addresses.push_back((*url)->absoluteString());
        }
    }
    return addresses;
}

/// The origin as a URL ("https://host:port/"); none for an origin without a
/// host (an "about:blank" frame), which is no community's.
std::optional<platform::Url> originURL(const platform::web::SecurityOrigin& origin) {
    if (origin.protocol.empty() || origin.host.empty()) return std::nullopt;
    // An IP literal keeps its brackets in a URL.
    const bool literal = origin.host.find(':') != std::string::npos;
    std::string text = origin.protocol + "://" + (literal ? "[" + origin.host + "]" : origin.host);
    if (origin.port != 0) text += ":" + std::to_string(origin.port);
    return platform::Url::parse(text + "/");
}

} // namespace

bool isCommunityOrigin(const platform::Url& url) {
    const auto addresses = communityAddresses();
    return std::ranges::any_of(addresses, [&url](const std::string& address) { return isCommunityOrigin(url, address); });
}

bool isCommunityOrigin(const platform::web::SecurityOrigin& origin) {
    const auto url = originURL(origin);
    return url && isCommunityOrigin(*url);
}

bool isCommunitySender(const platform::web::ScriptMessage& message) {
    return message.frameInfo.isMainFrame && isCommunityOrigin(message.frameInfo.securityOrigin);
}

bool isCommunityPage(const platform::Url& url, std::string_view path) {
    const auto addresses = communityAddresses();
    return std::ranges::any_of(addresses,
                               [&](const std::string& address) { return isCommunityPage(url, address, path); });
}

} // namespace vellicor
