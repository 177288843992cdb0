#include "VellicorApp/Interface/RequiredLoginOverlayViewController.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using vellicor::RequiredLoginOverlayViewController;

namespace {

class RequiredLoginOverlayTest : public interfacetest::InterfaceTest {
protected:
    std::function<void(platform::Json&)> editInfo() override {
        return [this](platform::Json& info) {
            info.erase("NavBarTrueColor");
            info.erase("LoginViewNavBarColor");
            if (barColor) info["NavBarTrueColor"] = *barColor;
        };
    }
    std::optional<std::string> barColor;
};

TEST_F(RequiredLoginOverlayTest, ShowMakesItAChildCoveringTheParent) {
    auto overlay = RequiredLoginOverlayViewController::instantiate();
    overlay->show(screen);
    EXPECT_EQ(overlay->parent(), screen);
    EXPECT_EQ(screen->view()->subviews().back(), overlay->view());
    EXPECT_EQ(overlay->descriptionLabel()->text, "Log in to use this feature.");
    EXPECT_EQ(overlay->loginButton()->title(ControlState::normal).value_or(""), "Log In");
}

struct ColorCase {
    const char* name;
    std::optional<std::string> hex;
    std::optional<Color> background;
    std::optional<Color> contrast;
};

class RequiredLoginOverlayColorTest : public RequiredLoginOverlayTest,
                                      public ::testing::WithParamInterface<ColorCase> {
protected:
    void SetUp() override {
        barColor = GetParam().hex;
        RequiredLoginOverlayTest::SetUp();
    }
};

TEST_P(RequiredLoginOverlayColorTest, OutletsTakeTheBarColour) {
    const auto& c = GetParam();
    auto overlay = RequiredLoginOverlayViewController::instantiate();
    overlay->loadViewIfNeeded();
    EXPECT_EQ(overlay->loginButton()->backgroundColor, c.background);
    if (c.contrast) {
        EXPECT_EQ(overlay->loginButton()->titleColor(ControlState::normal), c.contrast);
        EXPECT_EQ(overlay->descriptionLabel()->textColor, *c.contrast);
    } else {
        EXPECT_EQ(overlay->descriptionLabel()->textColor, Color::label());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Colours, RequiredLoginOverlayColorTest,
    ::testing::Values(ColorCase{"none", std::nullopt, std::nullopt, std::nullopt},
                      ColorCase{"bright", "#FFFFFF", Color::white(), Color::black()},
                      ColorCase{"dark", "#000000", Color::black(), Color::white()}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
