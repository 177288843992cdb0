#include "VellicorApp/Interface/ColorBrightness.hpp"

#include <cmath>

namespace vellicor {

bool isPerceivedBright(const platform::ui::Color& color) {
    if (!std::isfinite(color.red) || !std::isfinite(color.green) || !std::isfinite(color.blue)) return true;
    // Summed in this order so that a grey of exactly 0.6 lands on 0.6 and is not bright.
    const double luminance = 0.072 * color.blue + (0.715 * color.green + 0.213 * color.red);
    return luminance > 0.6;
}

platform::ui::StatusBarStyle statusBarStyle(const platform::ui::Color& color) {
    return isPerceivedBright(color) ? platform::ui::StatusBarStyle::darkContent
                                    : platform::ui::StatusBarStyle::lightContent;
}

platform::ui::Color contrastColor(const platform::ui::Color& color) {
    return isPerceivedBright(color) ? platform::ui::Color::black() : platform::ui::Color::white();
}

} // namespace vellicor
