#pragma once

#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>

namespace vellicor {

/// A community screen that reloads its web session after the signed-in
/// user's credentials were refreshed, and picks the page to end on.
class WebViewOAuthRefreshable : public CommunityViewControllable {
public:
    /// The navigation the screen's view model held back while the session was
    /// being refreshed; none when there was none.
    virtual std::optional<platform::HttpRequest> reAuthRedirectURLRequest() const = 0;

    /// The page to reload after a credential refresh. The candidate is the
    /// percent-decoded text of `originalUrl`, else (no URL, or one that does
    /// not decode) the web view's current URL as it is; with neither, the
    /// held-back navigation's URL is the answer, unjudged. A candidate whose
    /// address (validatedURL) is outside the community of the account
    /// manager's login host gives way to the community's start page; one that
    /// makes no address stays. None when the final text is no URL.
    std::optional<platform::Url> responseURLForRefreshCredentials(const std::optional<platform::Url>& originalUrl) const;

protected:
    using CommunityViewControllable::CommunityViewControllable;
};

} // namespace vellicor
