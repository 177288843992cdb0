#pragma once

#include <string>
#include <string_view>

namespace vellicor {

// String operations on community addresses.

/// The text itself when it ends in "/", else the text followed by "/"
/// ("" gives "/").
std::string withTrailingSlash(std::string_view text);

/// The start page of the community of a login host (a host name, perhaps with
/// a path, without a scheme): "https://<host>/s/" when the running app mode's
/// community lives under "/s/", else "https://" and the host with a trailing
/// slash.
std::string communityStartPage(std::string_view loginHost);

/// The text with only its ASCII characters: each user-perceived character
/// that is a single scalar below U+0080, and each CR LF pair; a letter joined
/// with a combining mark is dropped whole.
std::string asciiFiltered(std::string_view text);

} // namespace vellicor
