#pragma once

#include "Platform/Foundation/Url.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <string_view>

namespace vellicor {

// Which pages are the signed-in community's own, for everything that crosses
// between the app and a page: the messages a page posts, the calls the app
// makes into the page shown, and the community pages that sign in or out.
//
// The community's origins are those of the account manager's login host and,
// with a user signed in, of the user's community URL, API instance URL and
// instance URL; each is compared with isCommunityOrigin (scheme "https", host
// and port exactly, a missing port being 443). Links the rules do not claim
// stay in the web view, so any site can end up shown there: none of it is
// trusted by its host name alone. Every function reads the current context.
// Main thread.

/// Whether the URL has one of the community's origins.
bool isCommunityOrigin(const platform::Url& url);
/// Whether a frame's security origin is one of the community's origins.
bool isCommunityOrigin(const platform::web::SecurityOrigin& origin);

/// Whether a script message comes from a community page: posted by the main
/// frame of a page with one of the community's origins. The app's web views
/// take no other message (WebViewConfigurationFactory installs it as the
/// sender policy of their user content controller).
bool isCommunitySender(const platform::web::ScriptMessage& message);

/// Whether the URL is the community page at `path` ("/gate/logout.vx") of one
/// of the community's addresses (isCommunityPage of UrlClassification): never
/// a match on another site, on the query, or on a part of the path.
bool isCommunityPage(const platform::Url& url, std::string_view path);

} // namespace vellicor
