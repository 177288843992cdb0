#include "VellicorApp/Community/CommunityAddress.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"

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

bool supportsDonation(const Context& context) {
    const auto value = context.mainBundle->objectForInfoDictionaryKey("DonationCommunityAddress");
    const auto address = value ? platform::asString(*value) : std::nullopt;
    if (!address || address->empty()) return false;
    const auto startPage = communityStartPage(AppContext::current()->userAccountManager->loginHost());
    return startPage.find(*address) != std::string::npos;
}

} // namespace vellicor
