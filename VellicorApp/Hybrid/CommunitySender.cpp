#include "VellicorApp/Hybrid/CommunitySender.hpp"

#include "VellicorApp/Shell/AppContext.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/Foundation/Url.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

namespace {

/// The host of the login host, which names no scheme and may carry a path.
std::optional<std::string> loginHostHost(const std::string& loginHost) {
    if (loginHost.empty()) return std::nullopt;
    const auto url = platform::Url::parse("https://" + loginHost);
    return url ? url->host() : std::nullopt;
}

std::vector<std::string> communityHosts(const Context& context) {
    std::vector<std::string> hosts;
    auto add = [&hosts](const std::optional<std::string>& host) {
        if (host && !host->empty()) hosts.push_back(*host);
    };
    add(loginHostHost(context.userAccountManager->loginHost()));
    const auto account = context.userAccount();
    if (account && account->credentials()) {
        const auto& credentials = *account->credentials();
        for (const auto* url : {&credentials.communityUrl, &credentials.apiInstanceUrl, &credentials.instanceUrl}) {
            if (*url) add((*url)->host());
        }
    }
    return hosts;
}

} // namespace

bool isCommunitySender(const platform::web::ScriptMessage& message) {
    const auto& frame = message.frameInfo;
    const auto& host = frame.securityOrigin.host;
    if (!frame.isMainFrame || frame.securityOrigin.protocol != "https" || host.empty()) return false;
    // Hosts reach pages in their ASCII form; anything else is a look-alike, and
    // the Unicode case folding of the compare below must never meet one.
    if (std::any_of(host.begin(), host.end(), [](unsigned char c) { return c >= 0x80; })) return false;
    const auto context = AppContext::current();
    if (!context->userAccountManager) return false;
    for (const auto& community : communityHosts(*context)) {
        if (platform::caseInsensitiveEquals(host, community)) return true;
    }
    return false;
}

} // namespace vellicor
