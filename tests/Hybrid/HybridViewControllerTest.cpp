#include "VellicorApp/Hybrid/HybridViewController.hpp"

#include "VellicorApp/Instrumentation/DurationTracking.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::ui::StatusBarStyle;
using platform::ui::UserInterfaceSizeClass;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kStartPage = "https://127.0.0.1:9/s/";

class HybridViewControllerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        // A port that refuses at once: nothing the screen loads goes anywhere.
        accounts->host = "127.0.0.1:9";
        installContext(apptest::FakeBundle::sample());
    }

    void installContext(std::shared_ptr<BundleType> bundle) {
        Context::Dependencies dependencies;
        dependencies.veltraneSDKManager =
            VeltraneSDKManagerAdapter::create(veltrane::VeltraneHybridSDKManager::sharedManager());
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = UserDefaultsStore::standard();
        dependencies.mainBundle = std::move(bundle);
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        dependencies.korvaMarkerCenter = center;
        context = Context::create(std::move(dependencies));
        AppContext::setStackForTesting({context});
    }

    /// A model whose signed-out start page is `startPage`.
    static std::shared_ptr<HybridViewModel> makeModel(std::optional<std::string> startPage) {
        auto config = veltrane::VQHybridViewConfig::create(Json::object());
        config->setStartPage("/s/");
        config->setUnauthenticatedStartPage(std::move(startPage));
        return HybridViewModel::create(config, HybridViewOAuthCoordinator(nullptr, kStartPage));
    }

    static std::vector<std::string> errorLines() { return instrtest::logTexts("ERROR", "HybridViewController"); }

    std::shared_ptr<KORVAMarkerCenter> center = KORVAMarkerCenter::create([](std::shared_ptr<const KORVAMarker>) {});
};

TEST_F(HybridViewControllerTest, WithoutAStartPageTheScreenStaysEmpty) {
    for (const std::optional<std::string>& startPage : {std::optional<std::string>(), std::optional<std::string>("")}) {
        SCOPED_TRACE(startPage ? "not a URL" : "none");
        const auto errorsBefore = errorLines().size();
        const auto screen = HybridViewController::create(makeModel(startPage));
        screen->view();
        ASSERT_EQ(errorLines().size(), errorsBefore + 1);
        EXPECT_EQ(errorLines().back(), "Failed to create hybrid web view. Start page must not be nil");
        EXPECT_TRUE(screen->navigationItem().leftBarButtonItems.empty());
        // Nothing configured the web view: no delegates, agent, handlers or load.
        const auto& webView = screen->webView();
        EXPECT_FALSE(webView->navigationDelegate());
        EXPECT_FALSE(webView->uiDelegate());
        EXPECT_FALSE(webView->customUserAgent);
        EXPECT_TRUE(webView->configuration()->userContentController->scriptMessageHandlerNames().empty());
        EXPECT_FALSE(webView->isLoading());
    }
}

TEST_F(HybridViewControllerTest, AStartPageConfiguresAndLoadsTheWebView) {
    testsupport::LoopbackHttpsServer server;
    server.server().Get("/s/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("<html><head><title>Start</title></head></html>", "text/html");
    });
    server.routeHost();
    const auto model = makeModel(server.url("/s/").absoluteString());
    const auto screen = HybridViewController::create(model);
    screen->view();
    const auto& webView = screen->webView();
    EXPECT_EQ(webView->navigationDelegate(), model);
    EXPECT_EQ(webView->uiDelegate(), model);
    EXPECT_TRUE(webView->isInspectable);
    EXPECT_EQ(webView->superview(), screen->view());
    EXPECT_EQ(webView->configuration()->userContentController->scriptMessageHandlerNames(),
              (std::vector<std::string>{"authenticate", "getAppHomeUrl", "getAuthCredentials", "logoutCurrentUser"}));
    ASSERT_EQ(screen->navigationItem().leftBarButtonItems.size(), 1u);
    EXPECT_TRUE(errorLines().empty());
    EXPECT_TRUE(testsupport::waitUntil([&] { return webView->title() == "Start"; }));
    // The compact agent by default.
    ASSERT_TRUE(webView->customUserAgent);
    EXPECT_FALSE(webView->customUserAgent->ends_with(" veskff/lg"));
}

TEST_F(HybridViewControllerTest, ARegularWidthGivesTheLargeScreenAgent) {
    const auto screen = HybridViewController::create(makeModel(kStartPage));
    platform::ui::TraitCollection traits;
    traits.horizontalSizeClass = UserInterfaceSizeClass::regular;
    screen->setTraitCollection(traits);
    screen->view();
    ASSERT_TRUE(screen->webView()->customUserAgent);
    EXPECT_TRUE(screen->webView()->customUserAgent->ends_with(" veskff/lg")) << *screen->webView()->customUserAgent;
}

TEST_F(HybridViewControllerTest, TheStatusBarFollowsTheBarColour) {
    const struct {
        const char* name;
        std::optional<std::string> color;
        StatusBarStyle style;
    } cases[] = {
        {"bright", "#F5F5F5", StatusBarStyle::darkContent},
        {"dark", "#0B2F5A", StatusBarStyle::lightContent},
        {"none", std::nullopt, StatusBarStyle::defaultStyle},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bundle = apptest::FakeBundle::sample();
        bundle->info.erase("LoginViewNavBarColor");
        bundle->info.erase("NavBarTrueColor");
        if (c.color) bundle->info["NavBarTrueColor"] = *c.color;
        installContext(bundle);
        EXPECT_EQ(HybridViewController::create(makeModel(kStartPage))->preferredStatusBarStyle(), c.style);
    }
}

TEST_F(HybridViewControllerTest, BackPopsOnlyWhereThereIsANavigationStack) {
    const auto alone = HybridViewController::create(makeModel(kStartPage));
    alone->view();
    ASSERT_EQ(alone->navigationItem().leftBarButtonItems.size(), 1u);
    EXPECT_TRUE(alone->navigationItem().leftBarButtonItems.front()->simulateTap());
    testsupport::pump();

    const auto root = platform::ui::makeController<platform::ui::ViewController>();
    const auto navigation = platform::ui::NavigationController::create(root);
    const auto window = platform::ui::Window::create();
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    const auto pushed = HybridViewController::create(makeModel(kStartPage));
    navigation->push(pushed, false);
    testsupport::pump();
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    pushed->navigationItem().leftBarButtonItems.front()->simulateTap();
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(HybridViewControllerTest, TheDismissButtonStaysHiddenUntilShown) {
    const auto root = platform::ui::makeController<platform::ui::ViewController>();
    const auto window = platform::ui::Window::create();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    const auto screen = HybridViewController::create(makeModel(kStartPage));
    root->present(screen, false);
    testsupport::pump();

    const auto& button = screen->dismissButton();
    EXPECT_TRUE(button->isHidden);
    EXPECT_EQ(button->superview(), screen->view());
    button->isHidden = false;
    button->sendActions(platform::ui::ControlEvent::touchUpInside);
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_FALSE(root->presentedViewController());
}

TEST_F(HybridViewControllerTest, TheModelsPageMarkerStartsWithTheScreen) {
    const auto model = makeModel(kStartPage);
    const auto markerID = center->createMarker(KORVAMarkerName::splashLoad, KORVAMarkerType::performance);
    model->setCurrentMarkerID(markerID);
    testsupport::clock()->set(1'800'000'000);
    HybridViewController::create(model);
    const auto marker = std::dynamic_pointer_cast<DurationTracking>(center->getMarker(markerID));
    ASSERT_TRUE(marker);
    EXPECT_DOUBLE_EQ(marker->startTime(), 1'800'000'000);
}

} // namespace
