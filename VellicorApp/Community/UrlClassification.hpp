#pragma once

#include "VellicorApp/Community/ManagedURLType.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

// Where links open: the running context's managed URL rules applied to a URL,
// and the tests that say whether a URL belongs to the community.

/// Whether the scheme is exactly "http", "https" or "tnx".
bool isHttpRequest(const platform::Url& url);

/// Whether the URL has the origin of the community at `address` (a login host
/// or a start page, as for isInternalCommunityURL): the scheme "https" (in any
/// letter case), the address's host (ASCII letter case aside) and its port, a
/// missing port being 443 on either side (platform::isSameOrigin). The app's
/// one origin rule: the pages it keeps, the pages whose messages it takes and
/// the pages it calls into all pass it.
bool isCommunityOrigin(const platform::Url& url, std::string_view address);

/// Whether the URL is a page of the community at `address`: a login host (a
/// host name, perhaps with a port and a path, without a scheme) or a start
/// page with its scheme ("https://host/path/"; another scheme has no pages).
/// A page has the scheme exactly "https", the community's origin
/// (isCommunityOrigin), a path at or below
/// the address's path (whole segments only, after removing "." and ".."
/// segments, also written "%2e"), and no further site below that path (a
/// segment followed by "/s" at the end or by "/s/"). Linear in the URL's length.
bool isInternalCommunityURL(const platform::Url& url, std::string_view address);

/// Whether the URL is the page at `path` ("/gate/logout.vx") of the community
/// at `address`: the community's origin (isCommunityOrigin), and a path that
/// is `path` itself at the root or right below the address's path, once
/// decoded and without "." and ".." segments. The query and the fragment are
/// never read.
bool isCommunityPage(const platform::Url& url, std::string_view address, std::string_view path);

/// The first rule list with a pattern that claims the URL, tried in the order
/// in-app browser, within app, external browser, shared-cookie browser;
/// unknown when none does or the context has no rules. Uses the rule set's
/// compiled form (ManagedURLs::matcher()): one parse of the URL and one
/// look-up of its scheme and host, however many rules there are.
ManagedURLType isManagedURL(const platform::Url& url);
/// Whether the URL opens inside the community web app.
bool shouldTreatAsInternalWebAppLink(const platform::Url& url);
/// Whether the URL opens in the in-app browser sharing the web view's cookies.
bool shouldTreatAsInternalCookieBrowserLink(const platform::Url& url);
/// The options for opening the URL outside the app: universal links only for
/// HTTP links the rules do not send to the external browser, else none.
platform::Json externalURLOptions(const platform::Url& url);

/// Whether the whole text is an absolute http(s) URL pattern. Linear in the
/// text's length, as is isRelativeURL.
bool isAbsoluteURL(std::string_view text);
/// Whether the whole text is a path pattern beginning with "/".
bool isRelativeURL(std::string_view text);
/// isAbsoluteURL, else isRelativeURL.
bool isValidURL(std::string_view text);
/// Whether the text is the community start page of the current login host.
bool isBaseCommunityURL(std::string_view text);
/// A typed community address as an HTTPS URL: blanks trimmed, anything up to
/// the last "://" dropped, "https://" put in front; none when it does not parse.
std::optional<platform::Url> validatedURL(std::string_view text);
/// The URL of a path handed back by sign-in: none for the community start
/// page; a relative path is put on the scheme and host of the signed-in
/// user's API URL when there is one.
std::optional<platform::Url> oAuthRedirectURL(std::string_view text);

} // namespace vellicor
