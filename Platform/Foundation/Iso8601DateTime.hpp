#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// ISO 8601 date-times in the extended format of internet time stamps, with a
// time-zone designator and without fractional seconds:
// "2024-03-10T08:30:00Z" or "2024-03-10T09:30:00+01:00". This is the form
// JSON date fields of web services use; anything else (a missing designator,
// fractions, a basic-format date, a blank) is rejected, not guessed at.

/// The moment the text names, in seconds since 1970 (UTC); none when the text
/// is not exactly such a date-time or names an impossible date or time
/// (February 30, hour 24, an offset beyond ±23:59).
PLATFORM_EXPORT std::optional<TimeInterval> parseIso8601DateTime(std::string_view text);

/// The moment in UTC, "YYYY-MM-DDTHH:MM:SSZ", whole seconds rounded down.
/// Years outside 0000-9999 and times that are not finite give "".
PLATFORM_EXPORT std::string iso8601DateTimeString(TimeInterval time);

} // namespace platform
