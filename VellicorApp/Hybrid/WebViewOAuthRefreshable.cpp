#include "VellicorApp/Hybrid/WebViewOAuthRefreshable.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/UserAccountManaging.hpp"

#include "Platform/Web/WebView.hpp"

namespace vellicor {

std::optional<platform::Url> WebViewOAuthRefreshable::responseURLForRefreshCredentials(
    const std::optional<platform::Url>& originalUrl) const {
    std::optional<std::string> candidate;
    if (originalUrl) candidate = platform::removingPercentEncoding(originalUrl->absoluteString());
    if (!candidate) {
        const auto webView = hybridAppWebView();
        if (webView && webView->url()) candidate = webView->url()->absoluteString();
    }
    if (!candidate) {
        const auto request = reAuthRedirectURLRequest();
        return request ? request->url : std::nullopt;
    }

    // Pages outside the community are not reloaded into the signed-in session.
    const auto loginHost = AppContext::current()->userAccountManager->loginHost();
    if (const auto address = validatedURL(*candidate); address && !isInternalCommunityURL(*address, loginHost)) {
        candidate = communityStartPage(loginHost);
    }
    return platform::Url::parse(*candidate);
}

} // namespace vellicor
