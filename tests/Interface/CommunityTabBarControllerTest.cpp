#include "VellicorApp/Interface/CommunityTabBarController.hpp"

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Interface/RequiredLoginOverlayViewController.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using tabbartest::FakeTab;

namespace {

constexpr const char* kStart = "https://community.example.test/s/";

std::vector<std::string> errorLogs() {
    std::vector<std::string> texts;
    for (const auto& text : apptest::appLogTexts("ERROR")) {
        if (text.starts_with("CommunityTabBarController:")) texts.push_back(text);
    }
    return texts;
}

std::vector<std::string> infoLogs() {
    std::vector<std::string> texts;
    for (const auto& text : apptest::appLogTexts("INFO")) {
        if (text.starts_with("CommunityTabBarController:")) texts.push_back(text);
    }
    return texts;
}

platform::Url url(const std::string& text) { return platform::Url::parse(text).value(); }

class CommunityTabBarControllerTest : public tabbartest::TabBarTest {
protected:
    /// A tab bar over community tabs at the given start pages (the first is
    /// loaded, as the start-up screen is), plus a last tab that is no
    /// community screen when `withPlainTab`; pushed and shown.
    void build(const std::vector<std::optional<std::string>>& startPages, bool withPlainTab = false) {
        tabBar = CommunityTabBarController::create();
        std::vector<std::shared_ptr<platform::ui::ViewController>> list;
        for (std::size_t i = 0; i < startPages.size(); ++i) {
            tabs.push_back(FakeTab::make(startPages[i], "tab" + std::to_string(i + 1)));
            list.push_back(tabs.back());
        }
        if (!tabs.empty()) tabs.front()->loadViewIfNeeded();
        if (withPlainTab) {
            plainTab = platform::ui::ViewController::create();
            list.push_back(plainTab);
        }
        tabBar->setViewControllers(list);
        navigation->push(tabBar, false);
        testsupport::pump();
    }

    /// Pages shown one after another in a tab's own web view.
    static std::shared_ptr<platform::web::WebView> browsed(int pages) {
        auto webView = platform::web::WebView::create(platform::ui::Rect{});
        for (int i = 0; i < pages; ++i) {
            webView->loadHTMLString("<title>p" + std::to_string(i) + "</title>",
                                    url("https://community.example.test/s/p" + std::to_string(i)));
            testsupport::pump();
        }
        return webView;
    }

    std::shared_ptr<CommunityTabBarController> tabBar;
    std::vector<std::shared_ptr<FakeTab>> tabs;
    std::shared_ptr<platform::ui::ViewController> plainTab;
};

// Forwarding -----------------------------------------------------------------------

TEST_F(CommunityTabBarControllerTest, TheFirstTabStandsForTheWholeBar) {
    build({kStart, "https://community.example.test/s/b"});
    tabs[0]->currentState = State::pageLoaded;
    tabs[1]->currentState = State::premLoad;
    tabs[0]->page = browsed(1);
    tabBar->setSelectedIndex(1);

    EXPECT_EQ(tabBar->state(), State::pageLoaded) << "even while another tab is selected";
    EXPECT_EQ(tabBar->hybridAppWebView(), tabs[0]->page);
    EXPECT_EQ(tabBar->hybridWebViewConfig(), tabs[0]->config);

    auto flow = std::make_shared<communitytest::FakeFlow>();
    tabBar->setHybridAppDelegate(flow);
    EXPECT_EQ(tabs[0]->hybridAppDelegate(), flow);
    EXPECT_EQ(tabs[1]->hybridAppDelegate(), nullptr);
    EXPECT_EQ(tabBar->hybridAppDelegate(), flow);

    tabBar->sendKORVALogs();
    EXPECT_EQ(tabs[0]->calls, std::vector<std::string>{"sendKORVALogs"});
    EXPECT_TRUE(tabs[1]->calls.empty());
}

TEST_F(CommunityTabBarControllerTest, WithoutACommunityFirstTabTheBarHasNothingToGive) {
    tabBar = CommunityTabBarController::create();
    auto tab = FakeTab::make(kStart);
    tabBar->setViewControllers({platform::ui::ViewController::create(), tab});
    tabBar->setHybridAppDelegate(std::make_shared<communitytest::FakeFlow>());
    tabBar->sendKORVALogs();

    EXPECT_EQ(tabBar->state(), State::initialized);
    EXPECT_EQ(tabBar->hybridAppWebView(), nullptr);
    EXPECT_EQ(tabBar->hybridWebViewConfig(), nullptr);
    EXPECT_EQ(tabBar->hybridAppDelegate(), nullptr);
    EXPECT_EQ(tab->hybridAppDelegate(), nullptr);
    EXPECT_TRUE(tab->calls.empty());
}

TEST_F(CommunityTabBarControllerTest, RecordsGoToTheSelectedTabOnceItHasLoaded) {
    struct Case {
        const char* name;
        std::size_t selected;
        State state;
        bool opened;
    } cases[] = {
        {"loaded selected tab", 1, State::bootstrapped, true},
        {"cut-short load counts as loaded", 1, State::premLoad, true},
        {"selected tab not loaded", 1, State::initialized, false},
        {"service-provider tab selected", 2, State::bootstrapped, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tabs.clear();
        build({kStart, "https://community.example.test/s/b"}, true);
        tabs[1]->currentState = c.state;
        tabBar->setSelectedIndex(c.selected);
        tabBar->openRecord("001xx");
        EXPECT_TRUE(tabs[0]->calls.empty());
        EXPECT_EQ(tabs[1]->calls, c.opened ? std::vector<std::string>{"openRecord 001xx"} : std::vector<std::string>{});
        navigation->popToRoot(false);
        testsupport::pump();
    }
}

TEST_F(CommunityTabBarControllerTest, NotificationsRefreshOnEveryLoadedTabAndSkipTheRest) {
    build({kStart, "https://community.example.test/s/b", "https://community.example.test/s/c"}, true);
    tabs[1]->currentState = State::initialized;
    tabs[2]->currentState = State::premLoad;
    tabBar->refreshNotifications();
    EXPECT_EQ(tabs[0]->calls, std::vector<std::string>{"refreshNotifications"});
    EXPECT_TRUE(tabs[1]->calls.empty());
    EXPECT_EQ(tabs[2]->calls, std::vector<std::string>{"refreshNotifications"});
}

// Preloading -------------------------------------------------------------------------

TEST_F(CommunityTabBarControllerTest, SignedInTheTabsInPositionsTwoToFivePreload) {
    for (std::size_t count = 1; count <= 7; ++count) {
        SCOPED_TRACE("tabs: " + std::to_string(count));
        signIn();
        tabs.clear();
        build(std::vector<std::optional<std::string>>(count, std::optional<std::string>(kStart)));
        tabBar->preloadTabs();
        for (std::size_t i = 1; i < count; ++i) {
            EXPECT_EQ(tabs[i]->isViewLoaded(), i < 5) << "tab " << i + 1;
        }
        navigation->popToRoot(false);
        testsupport::pump();
    }
    EXPECT_EQ(infoLogs().size(), 7u);
    EXPECT_EQ(infoLogs().front(), "CommunityTabBarController: Preloading secondary tabs.");
}

TEST_F(CommunityTabBarControllerTest, NothingPreloadsSignedOutAndTheServiceProviderTabIsLeftAlone) {
    build({kStart, "https://community.example.test/s/b"}, true);
    tabBar->preloadTabs();
    EXPECT_FALSE(tabs[1]->isViewLoaded());
    EXPECT_TRUE(infoLogs().empty());

    signIn();
    tabBar->preloadTabs();
    EXPECT_TRUE(tabs[1]->isViewLoaded());
    EXPECT_FALSE(plainTab->isViewLoaded());

    auto empty = CommunityTabBarController::create();
    empty->preloadTabs();
    EXPECT_EQ(infoLogs().size(), 1u) << "a bar without tabs logs nothing";
}

// Taps ---------------------------------------------------------------------------------

TEST_F(CommunityTabBarControllerTest, TappingTheSelectedTabAgainGoesBackToItsOldestPage) {
    build({kStart, "https://community.example.test/s/b"});
    tabs[0]->page = browsed(3);
    tabs[1]->page = browsed(2);

    // A tap on another tab switches only.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    EXPECT_EQ(tabBar->previousSelectedIndex(), 0u);
    EXPECT_EQ(tabs[1]->page->url()->absoluteString(), "https://community.example.test/s/p1");
    EXPECT_TRUE(infoLogs().empty());

    // The same tab again: back to the first page of its history.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    testsupport::pump();
    EXPECT_EQ(tabBar->previousSelectedIndex(), 1u);
    EXPECT_EQ(tabs[1]->page->url()->absoluteString(), "https://community.example.test/s/p0");
    EXPECT_EQ(infoLogs(), std::vector<std::string>{
                              "CommunityTabBarController: User reselect the tab bar item, navigating back to first page."});
    EXPECT_EQ(tabs[0]->page->url()->absoluteString(), "https://community.example.test/s/p2");

    // At the first page already: nothing more.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    testsupport::pump();
    EXPECT_EQ(infoLogs().size(), 1u);
}

TEST_F(CommunityTabBarControllerTest, SelectionsFromCodeLeaveThePreviousTabAloneAndCountAsSelectedForTheNextTap) {
    build({kStart, "https://community.example.test/s/b", "https://community.example.test/s/c"});
    tabs[2]->page = browsed(3);
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    tabBar->setSelectedIndex(2);
    EXPECT_EQ(tabBar->previousSelectedIndex(), 0u);
    // The user taps tab 3, which code selected: not a reselection of the user's.
    ASSERT_TRUE(tabBar->simulateTapOnTab(2));
    testsupport::pump();
    EXPECT_EQ(tabBar->previousSelectedIndex(), 2u);
    EXPECT_EQ(tabs[2]->page->url()->absoluteString(), "https://community.example.test/s/p0")
        << "previous index equals the selected one, so the tap counts as a reselection";
}

// The sign-in screen's back button --------------------------------------------------------

TEST_F(CommunityTabBarControllerTest, AGuestBackingOutOfSignInGetsTheOverlayOnTheTabAndGoesBack) {
    build({kStart, "https://community.example.test/s/b"});
    tabs[1]->currentState = State::initialized;
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));

    context->notificationCenter->post(CommunityTabBarController::kLoginViewBackButtonNotification);
    EXPECT_EQ(tabBar->selectedIndex(), 0u);
    std::vector<std::shared_ptr<RequiredLoginOverlayViewController>> overlays;
    for (const auto& child : tabs[1]->children()) {
        if (auto overlay = std::dynamic_pointer_cast<RequiredLoginOverlayViewController>(child)) overlays.push_back(overlay);
    }
    ASSERT_EQ(overlays.size(), 1u);

    // The next visit reuses the same overlay.
    ASSERT_TRUE(tabBar->simulateTapOnTab(1));
    context->notificationCenter->post(CommunityTabBarController::kLoginViewBackButtonNotification);
    EXPECT_EQ(tabBar->selectedIndex(), 0u);
    std::size_t count = 0;
    for (const auto& child : tabs[1]->children()) {
        if (auto overlay = std::dynamic_pointer_cast<RequiredLoginOverlayViewController>(child)) {
            ++count;
            EXPECT_EQ(overlay, overlays.front());
        }
    }
    EXPECT_EQ(count, 1u);
}

TEST_F(CommunityTabBarControllerTest, TheBackButtonChangesNothingForAUserOrALoadedTab) {
    struct Case {
        const char* name;
        bool signedIn;
        State state;
        bool plainTabSelected;
    } cases[] = {
        {"signed-in user", true, State::initialized, false},
        {"tab has loaded", false, State::premLoad, false},
        {"service-provider tab", false, State::initialized, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.signedIn ? hybridtest::makeAccount() : nullptr;
        tabs.clear();
        build({kStart, "https://community.example.test/s/b"}, true);
        tabs[1]->currentState = c.state;
        ASSERT_TRUE(tabBar->simulateTapOnTab(c.plainTabSelected ? 2 : 1));
        const auto selected = tabBar->selectedIndex();
        context->notificationCenter->post(CommunityTabBarController::kLoginViewBackButtonNotification);
        EXPECT_EQ(tabBar->selectedIndex(), selected);
        EXPECT_TRUE(tabs[1]->children().empty());
        EXPECT_TRUE(plainTab->children().empty());
        navigation->popToRoot(false);
        testsupport::pump();
    }
}

// Opening links -------------------------------------------------------------------------------

TEST_F(CommunityTabBarControllerTest, LinksGoToTheSelectedTabAMatchingTabOrANewScreen) {
    context->setManagedURLs(std::make_shared<BundleManagedURLs>(
        std::vector<std::string>{"https://community.example.test/s/external"}, std::vector<std::string>{},
        std::vector<std::string>{}, std::vector<std::string>{}, "WithinApp"));
    struct Case {
        const char* name;
        const char* link;
        std::size_t selectedAfter;
        std::vector<std::string> selectedTabCalls;
        bool presents;
    } cases[] = {
        {"another site", "https://elsewhere.example.org/page", 1, {"openURL https://elsewhere.example.org/page"}, false},
        {"a tab's start page, query aside", "https://community.example.test/s/c?tab=1", 2, {}, false},
        {"the first tab's start page", "https://community.example.test/s/", 0, {}, false},
        {"a fragment the start page lacks", "https://community.example.test/s/c#top", 1, {}, true},
        {"a community page no tab shows", "https://community.example.test/s/topic/1", 1, {}, true},
        {"a community page the rules send out",
         "https://community.example.test/s/external",
         1,
         {"openURL https://community.example.test/s/external"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tabs.clear();
        build({kStart, "https://community.example.test/s/b", "https://community.example.test/s/c"});
        tabBar->setSelectedIndex(1);
        tabBar->openURL(url(c.link));
        testsupport::advance(1);
        testsupport::pump();
        EXPECT_EQ(tabBar->selectedIndex(), c.selectedAfter);
        EXPECT_EQ(tabs[1]->calls, c.selectedTabCalls);
        EXPECT_TRUE(tabs[0]->calls.empty());
        EXPECT_TRUE(tabs[2]->calls.empty());
        auto presented = std::dynamic_pointer_cast<HybridViewController>(navigation->presentedViewController());
        EXPECT_EQ(presented != nullptr, c.presents);
        if (presented) {
            const auto config = presented->hybridViewModel()->hybridViewConfig();
            EXPECT_EQ(config->unauthenticatedStartPage(), std::optional<std::string>(c.link));
            EXPECT_EQ(config->startPage(), std::optional<std::string>(c.link));
            EXPECT_FALSE(presented->dismissButton()->isHidden) << "the user can close it";
            navigation->dismiss(false);
            testsupport::pump();
        }
        navigation->popToRoot(false);
        testsupport::pump();
    }
    EXPECT_TRUE(errorLogs().empty());
}

TEST_F(CommunityTabBarControllerTest, ASecondCommunityLinkOpensOverTheFirstOnesSheet) {
    build({kStart, "https://community.example.test/s/b"});
    tabBar->openURL(url("https://community.example.test/s/topic/1"));
    testsupport::advance(1);
    testsupport::pump();
    const auto first = std::dynamic_pointer_cast<HybridViewController>(navigation->presentedViewController());
    ASSERT_TRUE(first);

    tabBar->openURL(url("https://community.example.test/s/topic/2"));
    testsupport::advance(1);
    testsupport::pump();

    const auto second = std::dynamic_pointer_cast<HybridViewController>(first->presentedViewController());
    ASSERT_TRUE(second) << "not refused by the tab bar that already presents";
    EXPECT_EQ(second->hybridViewModel()->hybridViewConfig()->startPage(),
              std::optional<std::string>("https://community.example.test/s/topic/2"));
    EXPECT_FALSE(second->dismissButton()->isHidden);
    EXPECT_TRUE(errorLogs().empty());
}

TEST_F(CommunityTabBarControllerTest, AnotherSitesLinkOnTheServiceProviderTabIsLoggedAndNotOpened) {
    build({kStart}, true);
    tabBar->setSelectedIndex(1);
    tabBar->openURL(url("https://elsewhere.example.org/page"));
    EXPECT_TRUE(tabs[0]->calls.empty());
    EXPECT_EQ(errorLogs(),
              std::vector<std::string>{"CommunityTabBarController: Failed to handle deeplink in Tab bar experience."});
}

TEST_F(CommunityTabBarControllerTest, ATabWithoutAStartPageMatchesNoLink) {
    build({kStart, std::nullopt});
    tabBar->openURL(url("https://community.example.test/s/b"));
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(tabBar->selectedIndex(), 0u);
    EXPECT_NE(navigation->presentedViewController(), nullptr);
}

// Refreshing the session ---------------------------------------------------------------------------

class RefreshTest : public CommunityTabBarControllerTest {
protected:
    struct Reported {
        int calls = 0;
        std::optional<std::string> url;
        std::optional<platform::Error> error;
    };
    std::function<void(std::optional<std::string>, std::optional<platform::Error>)> recorder() {
        return [reported = reported](std::optional<std::string> url, std::optional<platform::Error> error) {
            ++reported->calls;
            reported->url = std::move(url);
            reported->error = std::move(error);
        };
    }
    std::shared_ptr<Reported> reported = std::make_shared<Reported>();
};

TEST_F(RefreshTest, NothingHappensWithoutAUserARefreshableFirstTabOrCredentials) {
    struct Case {
        const char* name;
        bool signedIn;
        bool credentials;
        bool plainFirstTab;
    } cases[] = {
        {"nobody signed in", false, true, false},
        {"no credentials", true, false, false},
        {"first tab is no community screen", true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->user = c.signedIn ? hybridtest::makeAccount() : nullptr;
        if (accounts->user && !c.credentials) accounts->user->setCredentials(nullptr);
        tabBar = CommunityTabBarController::create();
        auto tab = FakeTab::make(kStart);
        tab->loadViewIfNeeded();
        if (c.plainFirstTab) tabBar->setViewControllers({platform::ui::ViewController::create(), tab});
        else tabBar->setViewControllers({tab});
        tabBar->refreshUserCredentials(url(kStart), recorder());
        testsupport::pump();
        EXPECT_TRUE(tab->model->refreshedWith.empty());
        EXPECT_EQ(reported->calls, 0);
    }
}

TEST_F(RefreshTest, ASuccessReloadsEveryLoadedTabAndReportsThePage) {
    signIn();
    build({kStart, "https://community.example.test/s/b", "https://community.example.test/s/c"}, true);
    tabs[1]->loadViewIfNeeded();
    tabs[1]->page = browsed(1);
    tabs[0]->page = browsed(1);

    tabBar->refreshUserCredentials(url("https://community.example.test/s/topic%2F1"), recorder());
    ASSERT_EQ(tabs[0]->model->refreshedWith.size(), 1u);
    EXPECT_EQ(tabs[0]->model->refreshedWith.front(), accounts->user->credentials());
    EXPECT_TRUE(tabs[1]->model->refreshedWith.empty()) << "only the first tab refreshes the session";

    tabs[0]->model->pendingRefresh(platform::veltrane::VQAuthSuccess{accounts->user, {}});
    EXPECT_EQ(reported->calls, 0) << "the rest runs on the main queue";
    testsupport::pump();

    for (std::size_t i : {0u, 1u}) {
        ASSERT_EQ(tabs[i]->model->handled.size(), 1u) << "tab " << i + 1;
        EXPECT_EQ(tabs[i]->model->handled.front().url, "https://community.example.test/s/topic/1");
        EXPECT_TRUE(tabs[i]->model->handled.front().success);
        testsupport::pump();
        EXPECT_EQ(tabs[i]->page->url()->absoluteString(), "about:blank") << "the request the model gave is loaded";
    }
    EXPECT_TRUE(tabs[2]->model->handled.empty()) << "a tab never shown loads its start page when first shown";
    EXPECT_EQ(reported->calls, 1);
    EXPECT_EQ(reported->url, "https://community.example.test/s/topic%2F1");
    EXPECT_EQ(reported->error, std::nullopt);
}

TEST_F(RefreshTest, AFailureReachesEveryLoadedTabAndTheCompletion) {
    signIn();
    build({kStart, "https://community.example.test/s/b"});
    tabs[1]->loadViewIfNeeded();
    tabBar->refreshUserCredentials(std::nullopt, recorder());
    tabs[0]->model->pendingRefresh(std::unexpected(platform::veltrane::UserAccountManagerError::refreshFailed(
        platform::Error("VQOAuthErrorDomain", 4))));
    testsupport::pump();

    for (std::size_t i : {0u, 1u}) {
        ASSERT_EQ(tabs[i]->model->handled.size(), 1u);
        EXPECT_FALSE(tabs[i]->model->handled.front().success);
    }
    EXPECT_EQ(reported->calls, 1);
    EXPECT_EQ(reported->url, std::nullopt);
    ASSERT_TRUE(reported->error.has_value());
    EXPECT_EQ(reported->error->domain, "VQUserAccountManagerErrorDomain");
}

TEST_F(RefreshTest, TheCompletionStillComesWhenTheTabBarIsGone) {
    signIn();
    tabBar = CommunityTabBarController::create();
    auto tab = FakeTab::make(kStart);
    tab->loadViewIfNeeded();
    tabBar->setViewControllers({tab});
    tabBar->refreshUserCredentials(url(kStart), recorder());
    tabBar.reset();
    tab->model->pendingRefresh(platform::veltrane::VQAuthSuccess{accounts->user, {}});
    testsupport::pump();
    EXPECT_TRUE(tab->model->handled.empty());
    EXPECT_EQ(reported->calls, 1);
    EXPECT_EQ(reported->url, kStart);
}

} // namespace
