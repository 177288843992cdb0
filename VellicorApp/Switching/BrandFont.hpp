#pragma once

#include "Platform/UI/Font.hpp"

#include <string_view>

namespace vellicor {

/// The brand font of that name and size; the system font of that size while
/// the brand font is not installed.
inline platform::ui::Font brandFont(std::string_view name, double size) {
    return platform::ui::Font::named(name, size).value_or(platform::ui::Font::systemFont(size));
}

} // namespace vellicor
