#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {

/// The text percent-encoded for use as one query value: every byte except
/// ASCII letters and digits becomes %XX (upper-case hex).
PLATFORM_EXPORT std::string stringByURLEncoding(std::string_view text);

/// The 18-character form of a record id. A 15-character id (ASCII letters and
/// digits) gets its three-character case checksum appended: for each of its
/// three 5-character chunks, bit i is set when character i of the chunk is an
/// upper-case letter, and the 5-bit value picks a character of
/// "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345". An 18-character id of letters and
/// digits is returned unchanged. Any other text gives none.
PLATFORM_EXPORT std::optional<std::string> entityId18(std::string_view id);

} // namespace platform::veltrane
