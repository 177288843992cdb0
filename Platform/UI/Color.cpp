#include "Platform/UI/Color.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::ui {

namespace {
int component(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}
} // namespace

std::string Color::hexString() const {
    char text[16];
    if (component(alpha) == 255) {
        std::snprintf(text, sizeof text, "#%02X%02X%02X", component(red), component(green), component(blue));
    } else {
        std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", component(red), component(green), component(blue),
                      component(alpha));
    }
    return text;
}

} // namespace platform::ui
