#include "VellicorApp/Hybrid/HybridViewOAuthCoordinator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Hybrid/CommunityOrigin.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/StringAdditions.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWebViewStateManager.hpp"

#include <algorithm>
#include <vector>

namespace vellicor {

namespace {

constexpr std::string_view kFrontDoorPath = "/gate/entry.vx";
constexpr std::string_view kFrontDoorMarker = "entry.vx";
constexpr std::string_view kMobileAuthRedirect = "/vapi/identity/mobileauthredirect";
constexpr double kFrontDoorTimeout = 60.0;

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

/// A page-framework redirect to its login page: a community page whose "ec" is 301 or 302.
bool isRXPageRedirect(const platform::Url& url) {
    const auto code = platform::veltrane::valueForParameterName(url, "ec");
    return (code == "301" || code == "302") && isCommunityOrigin(url);
}

/// Whether the URL is the page at `address`: the same origin and the same
/// path (the queries aside). False for an address that is no URL.
bool isPage(const platform::Url& url, std::string_view address) {
    const auto page = platform::Url::parse(address);
    return page && platform::isSameOrigin(url, *page) && url.path() == page->path();
}

} // namespace

std::optional<platform::Url> HybridViewOAuthCoordinator::generateFrontDoorURL(const std::string& url,
                                                                              bool shouldCreateAbsoluteURL,
                                                                              bool isEncoded) {
    const auto account = AppContext::current()->userAccountManager->currentUserAccount();
    if (!account) return std::nullopt;
    const auto credentials = account->credentials();
    if (!credentials) return std::nullopt;
    const auto apiUrl = credentials->apiUrl();
    if (!apiUrl) return std::nullopt;

    std::optional<std::string> returnPage =
        contains(url, kFrontDoorMarker) ? parseFrontDoorReturnURL(url, isEncoded) : std::optional<std::string>(url);
    if (shouldCreateAbsoluteURL && !url.starts_with("http")) {
        returnPage.reset();
        if (auto components = platform::UrlComponents::fromUrl(*apiUrl, false)) {
            components->path += url.starts_with('/') ? url : "/" + url;
            returnPage = components->string();
        }
    }

    auto components = platform::UrlComponents::fromUrl(*apiUrl, false);
    if (!components) return std::nullopt;
    components->path += kFrontDoorPath;
    if (!credentials->accessToken) return std::nullopt;
    components->setQueryItems(std::vector<platform::UrlQueryItem>{
        {"sid", platform::veltrane::stringByURLEncoding(*credentials->accessToken)},
        {"returnTo", returnPage},
        {"display", "touch"},
    });
    return components->url();
}

std::optional<std::string> HybridViewOAuthCoordinator::parseFrontDoorReturnURL(std::string_view url, bool isEncoded) {
    const std::string_view startMarker = isEncoded ? "returnTo%3D" : "returnTo=";
    const std::string_view endMarker = isEncoded ? "%26display" : "&display";
    const auto start = url.find(startMarker);
    const auto end = url.find(endMarker);
    if (start == std::string_view::npos || end == std::string_view::npos) return std::nullopt;
    const auto pageStart = start + startMarker.size();
    if (end < pageStart) return std::nullopt;
    const auto page = url.substr(pageStart, end - pageStart);
    if (!isEncoded) return std::string(page);
    return platform::removingPercentEncoding(page);
}

std::optional<platform::HttpRequest> HybridViewOAuthCoordinator::authCompletion(
    const std::optional<std::string>& url, const platform::veltrane::VQOAuthInfo& /*authInfo*/) const {
    // The old web session must not outlive a new sign-in, whatever is loaded next.
    platform::veltrane::VQSDKWebViewStateManager::resetSessionCookie();
    if (!url) return std::nullopt;
    // Only a front door with a plain "returnTo=" holds its return page unencoded.
    const bool isEncoded = !(contains(*url, kFrontDoorMarker) && contains(*url, "returnTo="));
    const auto frontDoor = generateFrontDoorURL(*url, true, isEncoded);
    if (!frontDoor) return std::nullopt;
    return platform::HttpRequest(*frontDoor, kFrontDoorTimeout);
}

std::optional<std::string> HybridViewOAuthCoordinator::isLoginRedirectURL(const platform::Url& url) const {
    const auto scheme = url.scheme();
    if (!scheme || !platform::lowercased(*scheme).starts_with("http")) return std::nullopt;
    // The front door this coordinator builds signs in: taking it for a login
    // redirect would refresh and build it again, without end.
    if (url.path().ends_with(kFrontDoorPath)) return std::nullopt;
    const bool isLoginRedirect =
        isCommunityPage(url, kMobileAuthRedirect) || isSAMLLoginRedirect(url) || isRXPageRedirect(url);
    if (!isLoginRedirect) return std::nullopt;
    if (!url.query()) return startPage_;
    auto page = platform::veltrane::valueForParameterName(url, "returnTo");
    if (!page) page = platform::veltrane::valueForParameterName(url, "startAt");
    // A front door as return page would sign in with the token it carries; the
    // start page gets a fresh one. The page is read as text, not parsed: a
    // front door in any spelling (relative, encoded once more) must not be
    // followed, and a page mistaken for one only costs the start page.
    if (!page || contains(*page, kFrontDoorMarker)) return startPage_;
    return page;
}

bool HybridViewOAuthCoordinator::isSAMLLoginRedirect(const platform::Url& url) const {
    if (!authConfig_) return false;
    if (const auto loginPage = authConfig_->loginPageUrl(); loginPage && isPage(url, *loginPage)) return true;
    const auto ssoUrls = authConfig_->ssoUrls();
    if (!ssoUrls) return false;
    return std::ranges::any_of(*ssoUrls, [&url](const std::string& ssoUrl) { return isPage(url, ssoUrl); });
}

} // namespace vellicor
