#pragma once

#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The URL's text with its query removed (fragment and everything else kept
/// as written). A relative URL gives its own part only, not resolved against
/// its base. None when the URL cannot be split into its parts.
std::optional<std::string> absoluteStringWithoutQueryParam(const platform::Url& url);

} // namespace vellicor
