#pragma once

#include "Platform/UI/Color.hpp"
#include "Platform/UI/ViewController.hpp"

namespace vellicor {

/// Whether text on this colour should be black: 0.213 red + 0.715 green +
/// 0.072 blue is above 0.6 (strictly). A colour whose components cannot be
/// read (not finite) counts as bright.
bool isPerceivedBright(const platform::ui::Color& color);

/// Dark content on a bright colour, light content otherwise.
platform::ui::StatusBarStyle statusBarStyle(const platform::ui::Color& color);

/// Black on a bright colour, white otherwise: text, tints and spinners drawn
/// on the branded colour.
platform::ui::Color contrastColor(const platform::ui::Color& color);

} // namespace vellicor
