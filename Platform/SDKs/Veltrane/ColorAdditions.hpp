#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"

#include <optional>
#include <string_view>

namespace platform::veltrane {

/// The colour of "#RRGGBB": a "#" followed by exactly six hexadecimal digits
/// (either letter case), opaque. None for any other text (no "#", three or
/// eight digits, blanks, other characters).
PLATFORM_EXPORT std::optional<platform::ui::Color> colorFromHexValue(std::string_view hexValue);

} // namespace platform::veltrane
