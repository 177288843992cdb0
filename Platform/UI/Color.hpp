#pragma once

#include "Platform/Export.hpp"

#include <string>

namespace platform::ui {

/// A colour as red, green, blue and alpha components in 0...1.
struct PLATFORM_EXPORT Color {
    double red = 0, green = 0, blue = 0, alpha = 1;

    static Color rgba(double r, double g, double b, double a = 1) { return Color{r, g, b, a}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color black() { return {0, 0, 0, 1}; }
    static Color clear() { return {0, 0, 0, 0}; }
    static Color systemRed() { return {1, 59.0 / 255, 48.0 / 255, 1}; }
    static Color systemBlue() { return {0, 122.0 / 255, 1, 1}; }
    static Color systemBackground() { return white(); }
    static Color label() { return black(); }
    static Color secondaryLabel() { return {60.0 / 255, 60.0 / 255, 67.0 / 255, 0.6}; }
    static Color systemGray() { return {142.0 / 255, 142.0 / 255, 147.0 / 255, 1}; }

    /// "#RRGGBB" (and "AA" appended when not opaque), for screen dumps.
    std::string hexString() const;

    bool operator==(const Color&) const = default;
};

} // namespace platform::ui
