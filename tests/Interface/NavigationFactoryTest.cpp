#include "VellicorApp/Interface/NavigationFactory.hpp"

#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"
#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/UI/TableView.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using namespace platform::ui;
using tabbartest::FakeTab;

namespace {

constexpr const char* kPage = "https://community.example.test/s/";

/// The bytes of a PNG file header of the given pixel size (enough to size an image).
platform::Data pngHeader(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (auto value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    for (std::uint8_t b : {8, 6, 0, 0, 0, 0, 0, 0, 0}) bytes.push_back(b);
    return bytes;
}

TabModel tab(const std::string& name, const std::string& path, std::optional<platform::Data> icon = std::nullopt) {
    TabModel model{.id = 0,
                   .name = name,
                   .icon = std::nullopt,
                   .targetURL = platform::Url::parse(std::string(kPage) + path).value(),
                   .position = 0};
    if (icon) model.icon = TabIcon{platform::Url::parse("https://community.example.test/icon.png").value(), *icon, "image/png"};
    return model;
}

TabBarModel model(std::size_t tabCount, bool colours = true) {
    TabBarModel result;
    for (std::size_t i = 0; i < tabCount; ++i) result.tabs.push_back(tab("Tab " + std::to_string(i + 1), "t" + std::to_string(i + 1)));
    result.metadata.iconTintColor = Color::systemBlue();
    if (colours) {
        result.metadata.iconTintColorUnselected = Color::rgba(0.5, 0.5, 0.5);
        result.metadata.barTintColor = Color::rgba(0.1, 0.2, 0.3);
        result.metadata.textColor = Color::systemRed();
        result.metadata.textColorUnselected = Color::black();
    }
    result.metadata.barTransparency = true;
    result.changedSinceLastSession = true;
    return result;
}

class NavigationFactoryTest : public tabbartest::TabBarTest {
protected:
    void SetUp() override {
        TabBarTest::SetUp();
        start = FakeTab::make(kPage, "Start screen");
        backItem = BarButtonItem::withTitle("Back", BarButtonItem::Style::plain, {});
        backItem->tintColor = Color::systemRed();
        start->navigationItem().leftBarButtonItems = {backItem};
        start->loadViewIfNeeded();
    }

    std::shared_ptr<CommunityTabBarController> build(const TabBarModel& tabBarModel) {
        auto made = NavigationFactory(*start, tabBarModel).tabBarController();
        return std::dynamic_pointer_cast<CommunityTabBarController>(made);
    }

    std::vector<platform::Json> tabMarkers() const {
        std::vector<platform::Json> attributes;
        for (const auto& marker : *logged) {
            if (marker->name() == KORVAMarkerName::nativeTabNavigation) attributes.push_back(marker->attributes().value());
        }
        return attributes;
    }

    bool isIdentityProvider() const { return context->veltraneSDKManager->isIdentityProvider(); }

    std::shared_ptr<FakeTab> start;
    std::shared_ptr<BarButtonItem> backItem;
};

TEST_F(NavigationFactoryTest, ThreeTabsAroundTheStartUpScreen) {
    configure(false);
    context->veltraneSDKManager->setIsIdentityProvider(true);
    auto tabBar = build(model(3));
    ASSERT_NE(tabBar, nullptr);

    const auto& tabs = tabBar->viewControllers();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0], start) << "the screen that loaded the web app is the first tab";
    EXPECT_EQ(start->title, "Start screen") << "it takes only the item";
    EXPECT_EQ(backItem->tintColor, Color::systemRed());
    EXPECT_EQ(start->tabBarItem()->title, "Tab 1");
    EXPECT_EQ(start->hybridAppDelegate(), nullptr);
    for (std::size_t i = 1; i < 3; ++i) {
        auto screen = std::dynamic_pointer_cast<CommunityHybridViewController>(tabs[i]);
        ASSERT_NE(screen, nullptr);
        const auto expected = std::string(kPage) + "t" + std::to_string(i + 1);
        EXPECT_EQ(screen->title, "Tab " + std::to_string(i + 1));
        EXPECT_EQ(screen->tabBarItem()->title, "Tab " + std::to_string(i + 1));
        EXPECT_EQ(screen->hybridWebViewConfig()->unauthenticatedStartPage(), expected);
        EXPECT_EQ(screen->hybridWebViewConfig()->startPage(), expected);
        EXPECT_FALSE(screen->hybridWebViewConfig()->shouldAuthenticate());
        EXPECT_EQ(screen->hybridAppDelegate(), nullptr) << "new screens get no delegate";
        EXPECT_FALSE(screen->isViewLoaded()) << "tabs load when preloaded or shown";
    }
    EXPECT_NE(std::dynamic_pointer_cast<CommunityHybridViewController>(tabs[1])->hybridWebViewConfig(),
              std::dynamic_pointer_cast<CommunityHybridViewController>(tabs[2])->hybridWebViewConfig())
        << "each tab has a configuration of its own";
    EXPECT_FALSE(isIdentityProvider());
    EXPECT_EQ(tabMarkers(), (std::vector<platform::Json>{{{"tabCount", 3},
                                                          {"tabBarColorSpecified", true},
                                                          {"tabFontColorSpecified", true},
                                                          {"tabChangedSinceLastSession", true}}}));
}

TEST_F(NavigationFactoryTest, ServiceProviderAppsAddALastLoginTab) {
    configure(true);
    auto tabBar = build(model(3));
    ASSERT_NE(tabBar, nullptr);
    const auto& tabs = tabBar->viewControllers();
    ASSERT_EQ(tabs.size(), 4u);
    EXPECT_EQ(dynamic_cast<CommunityViewControllable*>(tabs[3].get()), nullptr);
    auto item = tabs[3]->tabBarItem();
    EXPECT_EQ(item->title, "Log In");
    ASSERT_NE(item->image, nullptr);
    EXPECT_EQ(item->image->description(), "named:IDPLogin");
    EXPECT_EQ(item->selectedImage, nullptr);
    EXPECT_TRUE(isIdentityProvider());
    EXPECT_EQ(tabMarkers().back()["tabCount"], 4);
}

TEST_F(NavigationFactoryTest, WithoutTabsTheStartUpScreenCarriesTheLoginItemAlone) {
    configure(true);
    auto tabBar = build(model(0));
    ASSERT_NE(tabBar, nullptr);
    ASSERT_EQ(tabBar->viewControllers().size(), 1u);
    EXPECT_EQ(tabBar->viewControllers()[0], start);
    EXPECT_EQ(start->tabBarItem()->title, "Log In");
    EXPECT_TRUE(isIdentityProvider());
    EXPECT_EQ(tabMarkers().back()["tabCount"], 1);

    configure(false);
    EXPECT_EQ(build(model(0)), nullptr);
    EXPECT_FALSE(isIdentityProvider());
}

TEST_F(NavigationFactoryTest, WithoutAConfigurationNoCommunityTabIsMade) {
    // A package without a boot configuration, and none stored.
    const auto package = testsupport::sandboxRoot() / "Bare.app";
    std::filesystem::create_directories(package);
    platform::Bundle::setMainBundlePath(package);
    configure(false);
    EXPECT_EQ(build(model(3)), nullptr);
    EXPECT_TRUE(tabMarkers().empty());

    configure(true);
    auto tabBar = build(model(3));
    ASSERT_NE(tabBar, nullptr);
    ASSERT_EQ(tabBar->viewControllers().size(), 1u);
    EXPECT_EQ(start->tabBarItem()->title, "Log In");
}

TEST_F(NavigationFactoryTest, SevenTabsShowFourAndAStyledMoreTabThatCannotBeRearranged) {
    for (const bool colours : {true, false}) {
        SCOPED_TRACE(colours ? "unselected tint given" : "no unselected tint");
        configure(false);
        auto tabBar = build(model(7, colours));
        ASSERT_NE(tabBar, nullptr);
        EXPECT_EQ(tabBar->viewControllers().size(), 7u);
        auto items = tabBar->tabBar()->items();
        ASSERT_EQ(items.size(), 5u);
        EXPECT_EQ(items[4]->title, "More");
        EXPECT_FALSE(tabBar->customizableViewControllers.has_value());

        auto more = tabBar->moreNavigationController();
        auto table = std::dynamic_pointer_cast<TableView>(more->topViewController()->view());
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->tintColor, colours ? Color::rgba(0.5, 0.5, 0.5) : Color::systemGray());
        // The sample's navigation-bar colour (#0B2F5A) is dark: white titles.
        EXPECT_EQ(more->navigationBar()->barTintColor, context->navBarTrueColor());
        EXPECT_EQ(more->navigationBar()->titleTextAttributes.foregroundColor, Color::white());
    }
}

TEST_F(NavigationFactoryTest, TheBarAndItemsTakeTheModelsColoursOrTheSystemsWithoutThem) {
    configure(false);
    for (const bool colours : {true, false}) {
        SCOPED_TRACE(colours ? "all colours" : "only the required tint");
        auto tabBar = build(model(2, colours));
        ASSERT_NE(tabBar, nullptr);
        auto bar = tabBar->tabBar();
        EXPECT_EQ(bar->tintColor, Color::systemBlue());
        EXPECT_TRUE(bar->isTranslucent);
        const auto barTint = colours ? std::optional(Color::rgba(0.1, 0.2, 0.3)) : std::nullopt;
        EXPECT_EQ(bar->backgroundColor, barTint);
        EXPECT_EQ(bar->barTintColor, barTint);
        EXPECT_EQ(bar->unselectedItemTintColor, colours ? std::optional(Color::rgba(0.5, 0.5, 0.5)) : std::nullopt);
        for (const auto& screen : tabBar->viewControllers()) {
            auto item = screen->tabBarItem();
            const auto normal = item->titleTextAttributes(ControlState::normal);
            const auto selected = item->titleTextAttributes(ControlState::selected);
            EXPECT_EQ(normal ? normal->foregroundColor : std::nullopt, colours ? std::optional(Color::black()) : std::nullopt);
            EXPECT_EQ(selected ? selected->foregroundColor : std::nullopt,
                      colours ? std::optional(Color::systemRed()) : std::nullopt);
        }
        EXPECT_EQ(tabMarkers().back()["tabBarColorSpecified"], colours);
        EXPECT_EQ(tabMarkers().back()["tabFontColorSpecified"], colours);
    }
}

TEST_F(NavigationFactoryTest, TabIconsAreScaledIntoThirtyPointsWithTheSymbolForUnreadableOnes) {
    configure(false);
    struct Case {
        const char* name;
        std::optional<platform::Data> icon;
        Image::Source source;
    } cases[] = {
        {"wide image", pngHeader(60, 30), Image::Source::data},
        {"bytes that are no image", platform::dataFromString("not an image"), Image::Source::system},
        {"no icon", std::nullopt, Image::Source::system},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TabBarModel tabBarModel = model(0);
        tabBarModel.tabs = {tab("First", "a"), tab("Second", "b", c.icon)};
        auto tabBar = build(tabBarModel);
        ASSERT_NE(tabBar, nullptr);
        auto item = tabBar->viewControllers()[1]->tabBarItem();
        ASSERT_NE(item->image, nullptr);
        EXPECT_EQ(item->image->source(), c.source);
        if (c.source == Image::Source::system) {
            EXPECT_EQ(item->image->name(), "square.fill");
        }
        // Fitted into 30 x 30 with the aspect ratio kept: one side is 30.
        const auto size = item->image->size();
        EXPECT_LE(size.width, 30);
        EXPECT_LE(size.height, 30);
        EXPECT_EQ(std::max(size.width, size.height), 30);
        if (c.source == Image::Source::data) {
            EXPECT_EQ(size.height, 15);
        }
        EXPECT_EQ(item->selectedImage, nullptr);
    }
}

TEST_F(NavigationFactoryTest, EveryReadBuildsANewBarAndLogsAnotherMarker) {
    configure(false);
    const NavigationFactory factory(*start, model(2));
    auto first = factory.tabBarController();
    auto second = factory.tabBarController();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->viewControllers()[1], second->viewControllers()[1]);
    EXPECT_EQ(tabMarkers().size(), 2u);
}

} // namespace
