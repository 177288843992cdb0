#pragma once

#include "Platform/Foundation/Error.hpp"

#include <string>

namespace vellicor {

/// The message to show the user for an API error: the REST error list under
/// the user-info key "error" (only its first entry counts) gives the
/// localised duplicate text for "DUPLICATES_DETECTED" or its "message";
/// every other error gives its localizedDescription().
std::string messageString(const platform::Error& error);

} // namespace vellicor
