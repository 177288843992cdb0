#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/Image.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// The symbol shown for a tab icon whose bytes are no image.
inline constexpr const char* kTabBarIconFallbackSymbol = "square.fill";

/// A tab icon decoded from the bytes a page sent (none counts as empty); the
/// "square.fill" symbol when they do not decode.
std::shared_ptr<platform::ui::Image> loadTabBarIcon(const std::optional<platform::Data>& data);

/// The image scaled to fit inside `size` with its aspect ratio kept, drawn at
/// the screen's scale. None when the target or the image has no positive,
/// finite size (a zero or non-finite factor draws nothing).
std::shared_ptr<platform::ui::Image> resize(const platform::ui::Image& image, platform::ui::Size size);

} // namespace vellicor
