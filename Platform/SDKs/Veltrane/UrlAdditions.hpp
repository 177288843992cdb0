#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {

/// The decoded value of the first query item named `name` (exact, case
/// matters). None when the URL has no query, no such item, or the item has no
/// "=" ("?a"); "?a=" gives the empty text. "+" is not read as a blank.
PLATFORM_EXPORT std::optional<std::string> valueForParameterName(const platform::Url& url, std::string_view name);

} // namespace platform::veltrane
