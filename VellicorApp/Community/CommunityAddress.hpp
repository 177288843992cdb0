#pragma once

#include <string>
#include <string_view>

namespace vellicor {

class Context;

// String operations on community addresses.

/// The text itself when it ends in "/", else the text followed by "/"
/// ("" gives "/").
std::string withTrailingSlash(std::string_view text);

/// The start page of the community of a login host (a host name, perhaps with
/// a path, without a scheme): "https://<host>/s/" when the running app mode's
/// community lives under "/s/", else "https://" and the host with a trailing
/// slash.
std::string communityStartPage(std::string_view loginHost);

/// Whether the community of the running account manager's login host is the
/// one community that takes donations: its start page contains the address
/// (host and path) in the context's Info.plist string
/// "DonationCommunityAddress"; false without such an address.
bool supportsDonation(const Context& context);

} // namespace vellicor
