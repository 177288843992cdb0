#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>

namespace platform::veltrane {

/// The JSON text of a dictionary (or array), the way the platform's JSON
/// writer produces it: compact (or pretty-printed), keys sorted, and every "/"
/// in a string escaped as "\/". None for other values and for values holding a
/// number that is not finite.
PLATFORM_EXPORT std::optional<std::string> jsonStringFromDictionary(const Json& dictionary, bool prettyPrinted = false);

} // namespace platform::veltrane
