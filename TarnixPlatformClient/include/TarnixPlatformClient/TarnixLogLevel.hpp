#pragma once

#include "TarnixPlatformClient/Export.hpp"

#include <optional>
#include <string>

namespace tarnix {

/// How verbose a plug-in log line is. The raw value orders the levels: a
/// logger at level L passes a line of level M when rawValue(M) <= rawValue(L),
/// so ERROR always passes and DEBUG only at DEBUG.
enum class TarnixLogLevel : int {
    ERROR = 0,
    WARNING = 1,
    INFO = 2,
    DEBUG = 3,
};

/// The level of a raw value; none outside 0...3.
TARNIX_PLATFORM_CLIENT_EXPORT std::optional<TarnixLogLevel> tarnixLogLevel(int rawValue);

/// The level's raw value.
constexpr int rawValue(TarnixLogLevel level) { return static_cast<int>(level); }

/// The case name: "ERROR", "WARNING", "INFO" or "DEBUG".
TARNIX_PLATFORM_CLIENT_EXPORT std::string description(TarnixLogLevel level);

} // namespace tarnix
