// The tab bar with real community screens over the loopback community: the
// web app bootstraps with three menu items, the tab-bar step pushes the bar
// around the loaded screen and, for a signed-in user, tabs 2 and 3 load their
// pages over HTTPS through the community's front door.

#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"
#include "VellicorApp/Hybrid/CommunityScreenMaking.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "VellicorApp/Interface/TabBarExperienceCoordinator.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/ScreenDump.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;

namespace {

using tabbartest::settled;
using tabbartest::threeMenuItems;

/// The app's UI step as far as the tab bar goes: on the bootstrap it runs the
/// tab-bar step with the page's data, and keeps the step while it runs.
class BootstrapFlow : public CommunityViewControllerDelegate {
public:
    explicit BootstrapFlow(std::shared_ptr<platform::ui::NavigationController> navigation)
        : navigation_(std::move(navigation)) {}

    void webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& screen,
                            const std::optional<platform::Json>& metadataResponse) override {
        if (!metadataResponse) return;
        step = TabBarExperienceCoordinator::create(navigation_, screen, *metadataResponse);
        step->start([this](const std::optional<FlowCoordinatorError>& error) {
            completions.push_back(error);
            step.reset();
        });
    }
    void webAppDidLoadPage(const std::shared_ptr<CommunityViewControllable>&) override {}

    std::shared_ptr<TabBarExperienceCoordinator> step;
    std::vector<std::optional<FlowCoordinatorError>> completions;

private:
    std::shared_ptr<platform::ui::NavigationController> navigation_;
};

class TabBarLoopbackTest : public tabbartest::TabBarLoopbackFixture {
protected:
    void TearDown() override {
        flow.reset();
        screen.reset();
        TabBarLoopbackFixture::TearDown();
    }

    std::size_t requestsFor(const std::string& path) const {
        const auto requests = server.requests();
        return static_cast<std::size_t>(
            std::count_if(requests.begin(), requests.end(), [&](const auto& request) { return request.path == path; }));
    }

    std::shared_ptr<BootstrapFlow> flow;
    std::shared_ptr<CommunityHybridViewController> screen;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) result.push_back(line);
    return result;
}

TEST_F(TabBarLoopbackTest, ABootstrapWithThreeMenuItemsPushesTheBarAndLoadsTheOtherTabsSignedIn) {
    accounts->user = communitytest::makeUser();
    flow = std::make_shared<BootstrapFlow>(navigation);
    screen = makeCommunityScreen(appConfig(context->appMode()));
    screen->setHybridAppDelegate(flow);
    // The app's UI step loads the screen without pushing it.
    screen->loadViewIfNeeded();
    ASSERT_TRUE(settled({screen->webView()}));
    ASSERT_EQ(screen->webView()->title(), "/s/");

    screen->webView()->postScriptMessage("webAppEventBootstrapDone", {{"data", threeMenuItems()}});
    testsupport::pump();
    ASSERT_EQ(flow->completions.size(), 1u);
    EXPECT_EQ(flow->completions.front(), std::nullopt);
    auto tabBar = std::dynamic_pointer_cast<CommunityTabBarController>(navigation->topViewController());
    ASSERT_NE(tabBar, nullptr);
    const auto& tabs = tabBar->viewControllers();
    ASSERT_EQ(tabs.size(), 3u);
    EXPECT_EQ(tabs[0], screen) << "the loaded screen is the first tab, not loaded again";

    std::vector<std::shared_ptr<platform::web::WebView>> webViews;
    for (const auto& tab : tabs) {
        auto community = std::dynamic_pointer_cast<CommunityHybridViewController>(tab);
        ASSERT_NE(community, nullptr);
        ASSERT_TRUE(community->isViewLoaded()) << "preloaded";
        webViews.push_back(community->webView());
    }
    ASSERT_TRUE(settled(webViews));
    EXPECT_EQ(webViews[0]->title(), "/s/");
    EXPECT_EQ(webViews[1]->title(), "/s/tab2");
    EXPECT_EQ(webViews[2]->title(), "/s/tab3");
    EXPECT_EQ(requestsFor("/s/"), 1u);
    EXPECT_EQ(requestsFor("/s/tab1"), 0u) << "the first tab keeps its page";
    EXPECT_EQ(requestsFor("/s/tab2"), 1u);
    EXPECT_EQ(requestsFor("/s/tab3"), 1u);
    EXPECT_EQ(requestsFor("/gate/entry.vx"), 3u) << "each screen enters through the front door";

    const auto dump = lines(platform::ui::ScreenDump::render());
    const std::vector<std::string> tree = {
        "Window level=0 key",
        "  NavigationController",
        "    CommunityTabBarController [top]",
        "      CommunityHybridViewController tab=\"Tab 1\" [selected]",
        "      CommunityHybridViewController \"Tab 2\" tab=\"Tab 2\"",
        "      CommunityHybridViewController \"Tab 3\" tab=\"Tab 3\"",
    };
    ASSERT_GE(dump.size(), tree.size());
    EXPECT_EQ(std::vector<std::string>(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(tree.size())), tree);
    for (const auto* button : {"TabBarButton \"Tab 1\" selected image=system:square.fill",
                               "TabBarButton \"Tab 2\" image=system:square.fill",
                               "TabBarButton \"Tab 3\" image=system:square.fill",
                               "WebView url=https://community.example.test/s/ title=\"/s/\""}) {
        EXPECT_TRUE(std::ranges::any_of(dump, [&](const auto& line) { return line.ends_with(button); })) << button;
    }

    // The user moves to the second tab: its page is there already.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    ASSERT_TRUE(settled(webViews));
    EXPECT_EQ(requestsFor("/s/tab2"), 1u);
    const auto after = lines(platform::ui::ScreenDump::render());
    EXPECT_TRUE(std::ranges::any_of(after, [](const auto& line) {
        return line.ends_with("WebView url=https://community.example.test/s/tab2 title=\"/s/tab2\"");
    }));
    EXPECT_TRUE(std::ranges::any_of(
        after, [](const auto& line) { return line.ends_with("CommunityHybridViewController \"Tab 2\" tab=\"Tab 2\" [selected]"); }));
}

TEST_F(TabBarLoopbackTest, SignedOutTheOtherTabsWaitUntilTheyAreShown) {
    flow = std::make_shared<BootstrapFlow>(navigation);
    screen = makeCommunityScreen(appConfig(context->appMode()));
    screen->setHybridAppDelegate(flow);
    screen->loadViewIfNeeded();
    ASSERT_TRUE(settled({screen->webView()}));

    screen->webView()->postScriptMessage("webAppEventBootstrapDone", {{"data", threeMenuItems()}});
    testsupport::pump();
    auto tabBar = std::dynamic_pointer_cast<CommunityTabBarController>(navigation->topViewController());
    ASSERT_NE(tabBar, nullptr);
    EXPECT_FALSE(tabBar->viewControllers()[1]->isViewLoaded());
    EXPECT_FALSE(tabBar->viewControllers()[2]->isViewLoaded());

    ASSERT_TRUE(tabBar->simulateTapOnTab(2));
    auto third = std::dynamic_pointer_cast<CommunityHybridViewController>(tabBar->viewControllers()[2]);
    ASSERT_NE(third, nullptr);
    ASSERT_TRUE(settled({screen->webView(), third->webView()}));
    EXPECT_EQ(third->webView()->title(), "/s/tab3");
    EXPECT_EQ(requestsFor("/s/tab2"), 0u);
    EXPECT_EQ(requestsFor("/gate/entry.vx"), 0u);
}

} // namespace
