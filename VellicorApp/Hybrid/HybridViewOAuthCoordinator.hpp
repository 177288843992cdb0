#pragma once

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAuthConfigUtil.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

/// Opens community web views signed in with the native session, through the
/// community's front door ("<API URL>/gate/entry.vx?sid=<token>&returnTo=<page>
/// &display=touch"), and recognises the server's redirects to a login page so
/// that the web view model can sign in natively instead.
///
/// A value holding two settings; every operation reads the signed-in account
/// of the current context afresh. No operation fails with an error: what
/// cannot be made (nobody signed in, no API URL or token, a front-door URL
/// without its markers) is simply none. Main thread.
///
/// The access token travels encoded twice: once as the SDK encodes a token
/// for a query value (stringByURLEncoding), then as a query item; the front
/// door decodes it twice.
class HybridViewOAuthCoordinator {
public:
    HybridViewOAuthCoordinator(std::shared_ptr<const platform::veltrane::VQOAuthOrgAuthConfiguration> authConfig,
                               std::optional<std::string> startPage)
        : authConfig_(std::move(authConfig)), startPage_(std::move(startPage)) {}

    /// The org's sign-in configuration: its login page and SSO addresses.
    const std::shared_ptr<const platform::veltrane::VQOAuthOrgAuthConfiguration>& authConfig() const {
        return authConfig_;
    }
    /// Where a login redirect leads when it names no usable page.
    const std::optional<std::string>& startPage() const { return startPage_; }

    /// The front-door URL that signs the web view in and then shows `url`. A
    /// front-door URL given as `url` has its return page taken out first
    /// (`isEncoded`: as percent-encoded text). With `shouldCreateAbsoluteURL`,
    /// a `url` not starting with "http" is put on the API URL's path.
    static std::optional<platform::Url> generateFrontDoorURL(const std::string& url, bool shouldCreateAbsoluteURL,
                                                             bool isEncoded);
    /// The return page inside a front-door URL: the text between "returnTo="
    /// and "&display" (or, `isEncoded`, between "returnTo%3D" and "%26display",
    /// then decoded); none when a marker is missing, they are out of order or
    /// the text does not decode.
    static std::optional<std::string> parseFrontDoorReturnURL(std::string_view url, bool isEncoded);

    /// What to load after a native sign-in or refresh that should end on `url`:
    /// a front door to it (60 s time-out). The web session cookie is reset
    /// first, whatever the outcome. `authInfo` is not read.
    std::optional<platform::HttpRequest> authCompletion(const std::optional<std::string>& url,
                                                        const platform::veltrane::VQOAuthInfo& authInfo) const;

    /// For a URL the web view is about to open: when it is a login redirect,
    /// the page to show after signing in natively: its "returnTo", else its
    /// "startAt", else startPage(); a return page holding "entry.vx" (a front
    /// door) also gives startPage(). None otherwise.
    ///
    /// A login redirect is decided on the parsed URL, never on a part of its
    /// text: the mobile sign-in redirect of the community (one of its origins,
    /// and the path "/vapi/identity/mobileauthredirect" itself, at the root or
    /// below the community's path: isCommunityPage), the org's login page or
    /// one of its SSO pages (the same origin and path, queries aside), or a
    /// community page marked "ec=301"/"ec=302". A front door (a path ending in
    /// "/gate/entry.vx") never is one, whatever its query holds.
    std::optional<std::string> isLoginRedirectURL(const platform::Url& url) const;

private:
    bool isSAMLLoginRedirect(const platform::Url& url) const;

    std::shared_ptr<const platform::veltrane::VQOAuthOrgAuthConfiguration> authConfig_;
    std::optional<std::string> startPage_;
};

} // namespace vellicor
