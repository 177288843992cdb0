#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform::ui {

enum class FontWeight { regular, medium, semibold, bold };

/// Dynamic-type text styles.
enum class TextStyle { largeTitle, title1, title2, title3, headline, body, callout, subheadline, footnote, caption1, caption2 };

/// A font by name and size.
struct PLATFORM_EXPORT Font {
    std::string name;
    double pointSize = 17;

    /// The named font; none when no font of that name is installed (the
    /// system fonts, plus fonts registered with registerFont).
    static std::optional<Font> named(std::string_view name, double size);
    static Font systemFont(double size, FontWeight weight = FontWeight::regular);
    static Font boldSystemFont(double size) { return systemFont(size, FontWeight::bold); }
    static Font preferredFont(TextStyle style);
    /// Makes a font name known (an app package's bundled fonts).
    static void registerFont(std::string name);
    /// Whether a font of that name is installed.
    static bool isKnown(std::string_view name);
    /// The same font at another size.
    Font withSize(double size) const { return Font{name, size}; }
    /// "<name>-<size>" for screen dumps: "System-17", "Menlo-Regular-12.5".
    std::string description() const;

    bool operator==(const Font&) const = default;
};

} // namespace platform::ui
