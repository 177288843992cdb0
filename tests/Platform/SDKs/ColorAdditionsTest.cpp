#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

#include <gtest/gtest.h>

using namespace platform::veltrane;
using platform::ui::Color;

namespace {

TEST(ColorFromHexValue, ParsesHashAndSixHexDigitsOnly) {
    struct Case {
        const char* text;
        std::optional<Color> expected;
    };
    const Case cases[] = {
        {"#FF0000", Color::rgba(1, 0, 0)},
        {"#00ff80", Color::rgba(0, 1, 128.0 / 255)},
        {"#747474", Color::rgba(116.0 / 255, 116.0 / 255, 116.0 / 255)},
        {"#aBcDeF", Color::rgba(171.0 / 255, 205.0 / 255, 239.0 / 255)},
        {"#000000", Color::black()},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"FF0000", std::nullopt},
        {"0xFF0000", std::nullopt},
        {"#FFF", std::nullopt},
        {"#FF00000", std::nullopt},
        {"#FF000080", std::nullopt},
        {"#GG0000", std::nullopt},
        {" #FF0000", std::nullopt},
        {"#FF0000 ", std::nullopt},
        {"#FF 000", std::nullopt},
        {"#+12345", std::nullopt},
        {"##FF000", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto color = colorFromHexValue(c.text);
        ASSERT_EQ(color.has_value(), c.expected.has_value()) << "'" << c.text << "'";
        if (!color) continue;
        EXPECT_DOUBLE_EQ(color->red, c.expected->red) << c.text;
        EXPECT_DOUBLE_EQ(color->green, c.expected->green) << c.text;
        EXPECT_DOUBLE_EQ(color->blue, c.expected->blue) << c.text;
        EXPECT_DOUBLE_EQ(color->alpha, 1.0) << c.text;
    }
}

} // namespace
