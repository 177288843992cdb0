#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"

#include <string>
#include <string_view>

namespace platform {

/// The platform's date formatter with a fixed format: `time` written by the
/// ICU date pattern `pattern` ("yyyy-MM-dd HH:mm", "yyyyMMddhhmmss") in the
/// time zone `timeZone` (a TZ database identifier or an abbreviation such as
/// "UTC" or "GMT"; an unknown one is read as UTC), with the calendar and the
/// digits of the locale `localeIdentifier` ("en-US", "de_CH", "th-TH"; an
/// empty one, or one ICU has no data for, uses ICU's root locale). A pattern
/// ICU cannot read, a malformed locale identifier or a time that is not
/// finite gives the empty text. Thread-safe.
PLATFORM_EXPORT std::string formatDate(TimeInterval time, std::string_view pattern, std::string_view timeZone,
                                       std::string_view localeIdentifier);

} // namespace platform
