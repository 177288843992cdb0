#include "VellicorApp/Interface/ColorBrightness.hpp"
#include "VellicorApp/Interface/DeferredPush.hpp"
#include "VellicorApp/Interface/ImageResizing.hpp"
#include "VellicorApp/Interface/ViewControllerStyling.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/TabBarController.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform::ui;

namespace {

/// The bytes of a PNG header of that size (enough to be decoded here).
platform::Data pngBytes(std::uint32_t width, std::uint32_t height) {
    platform::Data bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (auto value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    for (std::uint8_t b : {8, 6, 0, 0, 0, 0, 0, 0, 0}) bytes.push_back(b);
    return bytes;
}

TEST(ColorBrightnessTest, BrightMeansStrictlyAboveSixTenths) {
    struct Case {
        const char* name;
        Color color;
        bool bright;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"white", Color::white(), true},
        {"green", Color::rgba(0, 1, 0), true},
        {"red", Color::rgba(1, 0, 0), false},
        {"blue", Color::rgba(0, 0, 1), false},
        {"grey of exactly 0.6", Color::rgba(0.6, 0.6, 0.6), false},
        {"grey just above", Color::rgba(0.61, 0.61, 0.61), true},
        {"unreadable", Color::rgba(nan, 0, 0), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(vellicor::isPerceivedBright(c.color), c.bright);
        EXPECT_EQ(vellicor::statusBarStyle(c.color), c.bright ? StatusBarStyle::darkContent : StatusBarStyle::lightContent);
    }
}

TEST(ImageResizingTest, FitsInsideTheTargetKeepingTheAspect) {
    struct Case {
        const char* name;
        Size image;
        Size target;
        std::optional<Size> result;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"wide", {60, 30}, {30, 30}, Size{30, 15}},
        {"tall", {30, 60}, {30, 30}, Size{15, 30}},
        {"small grows", {10, 10}, {30, 30}, Size{30, 30}},
        {"zero target", {10, 10}, {0, 30}, std::nullopt},
        {"negative target", {10, 10}, {-30, 30}, std::nullopt},
        {"infinite target", {10, 10}, {inf, inf}, std::nullopt},
        {"empty image", {0, 0}, {30, 30}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto png = pngBytes(static_cast<std::uint32_t>(c.image.width), static_cast<std::uint32_t>(c.image.height));
        auto image = Image::fromData(png);
        ASSERT_TRUE(image || c.image.width == 0);
        if (!image) continue;
        auto resized = vellicor::resize(*image, c.target);
        ASSERT_EQ(resized != nullptr, c.result.has_value());
        if (resized) {
            EXPECT_EQ(resized->size(), *c.result);
        }
    }
}

TEST(ImageResizingTest, TabIconsFallBackToTheSquareSymbol) {
    for (const auto& data : {std::optional<platform::Data>{}, std::optional<platform::Data>{platform::Data{'x', 'y'}}}) {
        auto icon = vellicor::loadTabBarIcon(data);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->name(), "square.fill");
    }
}

class DeferredPushTest : public interfacetest::InterfaceTest {
protected:
    /// Presents an alert on the navigation controller.
    void presentAlert() {
        auto alert = AlertController::create("Hold on", std::nullopt, AlertController::Style::alert);
        alert->addAction(AlertAction::create("OK"));
        navigation->present(alert, false);
        testsupport::pump();
    }

    vellicor::DelayedWork owner;
};

TEST_F(DeferredPushTest, PushesAtOnceWhenNothingIsPresentedAsTheOnlyScreen) {
    auto next = ViewController::create();
    bool completed = false;
    vellicor::deferredPush(navigation, 0.3, next, false, owner, [&] { completed = true; });
    EXPECT_EQ(navigation->viewControllers(), std::vector<std::shared_ptr<ViewController>>{next})
        << "no Back leads below it";
    EXPECT_TRUE(completed);
}

TEST_F(DeferredPushTest, WaitsOnceWhileSomethingIsPresented) {
    presentAlert();
    auto next = makeController<interfacetest::Screen>();
    bool completed = false;
    vellicor::deferredPush(navigation, 0.3, next, false, owner, [&] { completed = true; });
    EXPECT_EQ(apptest::appLogTexts("WARNING"),
              std::vector<std::string>{"UINavigationController: PresentedViewController was not nil, delaying push "
                                       "presntation of <Screen> for 0.3 sec."});
    EXPECT_NE(navigation->topViewController(), next);
    run(0.3);
    // Pushed although the alert is still up.
    EXPECT_EQ(navigation->viewControllers(), std::vector<std::shared_ptr<ViewController>>{next});
    EXPECT_TRUE(completed);
}

TEST_F(DeferredPushTest, AWaitingPushWhoseOwnerMovedOnDoesNothing) {
    for (const bool ownerGone : {false, true}) {
        SCOPED_TRACE(ownerGone ? "owner gone" : "owner cancelled");
        const auto stack = navigation->viewControllers();
        presentAlert();
        auto local = std::make_unique<vellicor::DelayedWork>();
        bool completed = false;
        vellicor::deferredPush(navigation, 0.3, ViewController::create(), false, *local, [&] { completed = true; });
        run(0.1);
        if (ownerGone) {
            local.reset();
        } else {
            local->cancelAll();
        }
        run(0.3);
        EXPECT_EQ(navigation->viewControllers(), stack);
        EXPECT_FALSE(completed);
        navigation->dismiss(false);
        testsupport::pump();
    }
}

TEST_F(DeferredPushTest, CompletesWhenTheNavigationControllerIsGone) {
    auto other = NavigationController::create(ViewController::create());
    auto presenter = other;
    std::weak_ptr<NavigationController> weak = other;
    auto holder = Window::create();
    holder->setRootViewController(other);
    holder->makeKeyAndVisible();
    auto alert = AlertController::create("Hold on", std::nullopt, AlertController::Style::alert);
    alert->addAction(AlertAction::create("OK"));
    other->present(alert, false);
    testsupport::pump();
    bool completed = false;
    vellicor::deferredPush(other, 0.3, ViewController::create(), false, owner, [&] { completed = true; });
    alert->dismiss(false);
    testsupport::pump();
    holder->setRootViewController(nullptr);
    holder.reset();
    other.reset();
    presenter.reset();
    run(0.3);
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(completed);
}

class ViewControllerStylingTest : public interfacetest::InterfaceTest {};

TEST_F(ViewControllerStylingTest, LargeTitlesAndTheKeyWindow) {
    TitleTextAttributes attributes{Font::boldSystemFont(30), Color::black()};
    vellicor::configNavbarLargeTitle(*screen, "Sites", attributes);
    EXPECT_TRUE(navigation->navigationBar()->prefersLargeTitles);
    EXPECT_EQ(navigation->navigationBar()->largeTitleTextAttributes, attributes);
    EXPECT_EQ(navigation->navigationItem().largeTitleDisplayMode, NavigationItem::LargeTitleDisplayMode::always);
    EXPECT_EQ(screen->navigationItem().title, "Sites");
    EXPECT_EQ(vellicor::keyWindow(), window);
}

TEST_F(ViewControllerStylingTest, TheNavigationBarHidesWhenItWouldShowNothing) {
    struct Case {
        const char* name;
        std::function<void(ViewController&)> setUp;
        bool pushed;
        bool hidden;
    };
    const std::vector<Case> cases{
        {"root without anything", [](ViewController&) {}, false, true},
        {"root with a title", [](ViewController& c) { c.title = "Sites"; }, false, false},
        {"root with an item title", [](ViewController& c) { c.navigationItem().title = "Sites"; }, false, false},
        {"root with a bar button",
         [](ViewController& c) { c.navigationItem().rightBarButtonItems.push_back(
             BarButtonItem::withTitle("Done", BarButtonItem::Style::plain, {})); },
         false, false},
        {"root with a title view", [](ViewController& c) { c.navigationItem().titleView = View::create(); }, false,
         false},
        {"above the root: a back button", [](ViewController&) {}, true, false},
        {"above the root, back button hidden", [](ViewController& c) { c.navigationItem().hidesBackButton = true; },
         true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto controller = ViewController::create();
        c.setUp(*controller);
        navigation->setNavigationBarHidden(!c.hidden, false);
        if (c.pushed) {
            navigation->setViewControllers({screen, controller}, false);
        } else {
            navigation->setViewControllers({controller}, false);
        }
        vellicor::hideNavigationBarWhenEmpty(*controller, false);
        EXPECT_EQ(navigation->isNavigationBarHidden(), c.hidden);
    }

    // A tab's screen does not decide for the bar around its tab bar.
    auto tabs = TabBarController::create();
    auto tab = ViewController::create();
    tabs->setViewControllers({tab});
    navigation->setViewControllers({tabs}, false);
    navigation->setNavigationBarHidden(false, false);
    vellicor::hideNavigationBarWhenEmpty(*tab, false);
    EXPECT_FALSE(navigation->isNavigationBarHidden());
}

TEST(LayerColorsTest, SettingNoneKeepsTheColour) {
    Layer layer;
    vellicor::setBorderColorIB(layer, Color::systemRed());
    vellicor::setBorderColorIB(layer, std::nullopt);
    EXPECT_EQ(vellicor::borderColorIB(layer), Color::systemRed());
    EXPECT_EQ(vellicor::shadowColorIB(layer), std::nullopt);
    vellicor::setShadowColorIB(layer, Color::black());
    EXPECT_EQ(vellicor::shadowColorIB(layer), Color::black());
}

} // namespace
