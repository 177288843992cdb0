#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

#include <charconv>
#include <cstdint>

namespace platform::veltrane {

std::optional<platform::ui::Color> colorFromHexValue(std::string_view hexValue) {
    if (hexValue.size() != 7 || hexValue.front() != '#') return std::nullopt;
    const std::string_view digits = hexValue.substr(1);
    for (char c : digits) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return std::nullopt;
    }
    std::uint32_t rgb = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), rgb, 16);
    const auto component = [rgb](int shift) { return static_cast<double>((rgb >> shift) & 0xFF) / 255.0; };
    return platform::ui::Color::rgba(component(16), component(8), component(0), 1.0);
}

} // namespace platform::veltrane
