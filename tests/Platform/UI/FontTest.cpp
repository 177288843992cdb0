#include "Platform/UI/Color.hpp"
#include "Platform/UI/Font.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace platform::ui;

TEST(FontTest, OnlyInstalledOrRegisteredNamesGiveAFont) {
    EXPECT_EQ(Font::named("Menlo-Regular", 12), (Font{"Menlo-Regular", 12}));
    EXPECT_EQ(Font::named("System-Bold", 20), Font::boldSystemFont(20));
    EXPECT_EQ(Font::named("menlo-regular", 12), std::nullopt) << "names are exact";
    EXPECT_EQ(Font::named("VeltraneSans-Bold", 20), std::nullopt);
    Font::registerFont("VeltraneSans-Bold");
    EXPECT_EQ(Font::named("VeltraneSans-Bold", 20), (Font{"VeltraneSans-Bold", 20}));
    EXPECT_EQ(Font::named("", 20), std::nullopt);
}

TEST(FontTest, SystemFontsAndTextStyles) {
    struct Case {
        Font font;
        std::string description;
    };
    const Case cases[] = {
        {Font::systemFont(17), "System-17"},
        {Font::systemFont(13, FontWeight::medium), "System-Medium-13"},
        {Font::systemFont(15, FontWeight::semibold), "System-Semibold-15"},
        {Font::boldSystemFont(20.5), "System-Bold-20.5"},
        {Font::preferredFont(TextStyle::body), "System-17"},
        {Font::preferredFont(TextStyle::headline), "System-Semibold-17"},
        {Font::preferredFont(TextStyle::largeTitle), "System-34"},
        {Font::preferredFont(TextStyle::title1), "System-28"},
        {Font::preferredFont(TextStyle::subheadline), "System-15"},
        {Font::preferredFont(TextStyle::footnote), "System-13"},
        {Font::preferredFont(TextStyle::caption1), "System-12"},
        {Font::preferredFont(TextStyle::caption2), "System-11"},
        {Font::systemFont(17).withSize(9), "System-9"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.font.description(), c.description);
}

TEST(ColorTest, HexStringAddsAlphaOnlyWhenNotOpaque) {
    struct Case {
        Color color;
        const char* hex;
    };
    const Case cases[] = {
        {Color::white(), "#FFFFFF"},
        {Color::black(), "#000000"},
        {Color::systemBlue(), "#007AFF"},
        {Color::systemRed(), "#FF3B30"},
        {Color::rgba(1, 0, 0, 0.5), "#FF000080"},
        {Color::clear(), "#00000000"},
        {Color::rgba(2, -1, 0.5, 1), "#FF0080"},
        {Color::rgba(std::nan(""), 0, 0, 1), "#000000"},
        {Color::rgba(0, 0, 0, 0.999), "#000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.color.hexString(), c.hex);
}
