#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Hybrid/SharedCookieBrowserViewController.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "VellicorApp/Interface/ProgressView.hpp"
#include "VellicorApp/Interface/Toast.hpp"
#include "VellicorApp/Shell/AppCoordinator.hpp"
#include "tests/Hybrid/CommunityModelTestSupport.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/SDKs/Tarnix/BarcodeScannerPlugin.hpp"
#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"
#include "Platform/SDKs/Tarnix/TarnixJavascript.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/Web/SafariViewController.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace vellicor;
using platform::Json;
using platform::Url;
using platform::ui::Application;
using platform::ui::NavigationController;
namespace veltrane = platform::veltrane;

namespace {

Url url(std::string_view text) { return Url::parse(text).value(); }

constexpr const char* kCommunityHost = "community.example.test";
constexpr const char* kStartPage = "https://community.example.test/s/";

/// The views of a kind directly in `view`.
template <class Kind>
std::vector<std::shared_ptr<Kind>> subviewsOf(const platform::ui::View& view) {
    std::vector<std::shared_ptr<Kind>> found;
    for (const auto& subview : view.subviews()) {
        if (auto match = std::dynamic_pointer_cast<Kind>(subview)) found.push_back(std::move(match));
    }
    return found;
}

/// A community over loopback HTTPS: every page's title is its path. The hosts
/// of the URL rules below are routed to it too.
class CommunityHybridViewControllerTest : public communitytest::CommunityModelTest {
protected:
    void SetUp() override {
        CommunityModelTest::SetUp();
        accounts->host = kCommunityHost;
        server.server().Get(R"(/.*)", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content("<html><head><title>" + request.path + "</title></head></html>", "text/html");
        });
        for (const auto* host : {kCommunityHost, "forum.example.test", "partner.example.test", "docs.example.test",
                                 "shop.example.test", "elsewhere.example.test"}) {
            server.routeHost(host);
        }
        installRules("WithinApp");
        registerInterfaceResources();
        registerHybridResources();
    }
    void TearDown() override {
        screen.reset();
        window.reset();
        navigation.reset();
        platform::ui::Window::resetAll();
        platform::ui::Storyboard::resetRegistry();
        platform::ui::Nib::resetRegistry();
        platform::tarnixbridge::setTarnixResourcesHiddenForTesting(false);
        platform::tarnixbridge::BarcodeScannerPlugin::setCodeInView(std::nullopt);
        CommunityModelTest::TearDown();
    }

    void installRules(std::string defaultBehavior) {
        context->setManagedURLs(std::make_shared<BundleManagedURLs>(
            std::vector<std::string>{"https://shop.example.test/"}, std::vector<std::string>{"https://docs.example.test/"},
            std::vector<std::string>{"https://partner.example.test/"},
            std::vector<std::string>{"https://forum.example.test/"}, std::move(defaultBehavior)));
    }

    static std::shared_ptr<CommunityHybridViewModel> makeCommunityModel() {
        auto config = veltrane::VQHybridViewConfig::create(Json::object());
        config->setStartPage("/s/");
        config->setUnauthenticatedStartPage(kStartPage);
        return CommunityHybridViewModel::create(config, HybridViewOAuthCoordinator(nullptr, kStartPage));
    }

    /// A new screen over a new model, at the root of a navigation stack in
    /// the key window, with its start page loaded.
    void show() {
        screen.reset();
        screen = CommunityHybridViewController::create(makeCommunityModel());
        screen->setHybridAppDelegate(flow);
        navigation = NavigationController::create(screen);
        window = platform::ui::Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
        ASSERT_TRUE(settled()) << "the start page loads";
    }

    /// Waits until the web view has no load in flight and the main queue is idle.
    bool settled() const {
        const bool done = testsupport::waitUntil([&] {
            testsupport::pump();
            return platform::BackgroundActivity::inFlight() == 0 && !screen->webView()->isLoading();
        });
        testsupport::pump();
        return done;
    }

    /// The page posts a message; gives the reply (value or error text).
    struct Reply {
        std::optional<Json> value;
        std::optional<std::string> error;
        bool came = false;
    };
    static std::shared_ptr<Reply> post(platform::web::WebView& webView, const std::string& name, Json body) {
        auto reply = std::make_shared<Reply>();
        webView.postScriptMessage(name, std::move(body), {},
                                  [reply](std::optional<Json> value, std::optional<std::string> error) {
                                      reply->value = std::move(value);
                                      reply->error = std::move(error);
                                      reply->came = true;
                                  });
        testsupport::pump();
        return reply;
    }

    /// The page asks the app to open a link (a native event).
    static std::shared_ptr<Reply> postOpenLink(platform::web::WebView& webView, const Url& link) {
        return post(webView, "invokeNativeEvent",
                    {{"action", "navigateToExternalURL"}, {"data", {{"url", link.absoluteString()}}}});
    }
    /// The page asks the scanner plug-in for the code in view.
    static std::shared_ptr<Reply> postScan(platform::web::WebView& webView) {
        platform::tarnixbridge::BarcodeScannerPlugin::setCodeInView(
            platform::tarnixbridge::BarcodeScan{"https://example.test/item/4", "qr"});
        return post(webView, "tarnix", {{"service", "BarcodeScanner"}, {"action", "scan"}, {"args", Json::object()}});
    }

    /// How often the system was asked to open the URL.
    static long openedCount(const Url& link) {
        return std::ranges::count_if(Application::shared().openedURLs(),
                                     [&](const auto& opened) { return opened.url == link; });
    }
    /// How often the model's policy was asked about the URL.
    static long decisionsAbout(const Url& link) {
        return std::ranges::count(apptest::appLogTexts("INFO"),
                                  "CommunityHybridViewModel: Handling " + link.absoluteString());
    }

    testsupport::LoopbackHttpsServer server;
    std::shared_ptr<CommunityHybridViewController> screen;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;
};

TEST_F(CommunityHybridViewControllerTest, SetUpRegistersEveryHandlerButInstrumentation) {
    show();
    const auto webView = screen->webView();
    EXPECT_EQ(webView->title(), "/s/");
    EXPECT_FALSE(webView->allowsLinkPreview);
    const auto& controller = webView->configuration()->userContentController;
    EXPECT_EQ(controller->scriptMessageHandlerNames(),
              (std::vector<std::string>{"authenticate", "getAppHomeUrl", "getAuthCredentials", "invokeNativeEvent",
                                        "logoutCurrentUser", "tarnix", "webAppEventBootstrapDone",
                                        "webAppEventPageLoadDone"}));
    // The bridge and the screen both ask for the plug-in runtime: it is in the page once.
    std::set<std::string> sources;
    for (const auto& script : controller->userScripts()) EXPECT_TRUE(sources.insert(script.source).second);
    EXPECT_TRUE(screen->jsCallDispatchHandler());
    EXPECT_EQ(screen->hybridViewModel(), screen->communityHybridViewModel());
}

TEST_F(CommunityHybridViewControllerTest, ThePagesMessagesReachTheModelTheCoordinatorAndThePlugIns) {
    show();
    const auto webView = screen->webView();
    const auto& model = screen->communityHybridViewModel();

    // The events handler works for the screen's coordinator, which opens the link.
    const auto mail = url("mailto:someone@example.test");
    const auto event = postOpenLink(*webView, mail);
    ASSERT_TRUE(event->came);
    EXPECT_EQ(event->value, Json::object()) << event->error.value_or("");
    EXPECT_EQ(openedCount(mail), 1);

    // The bridge's plug-ins answer, and a scanner is shown on the screen.
    const auto scan = postScan(*webView);
    ASSERT_TRUE(screen->presentedViewController());
    EXPECT_EQ(screen->presentedViewController()->typeName(), "TarnixBarcodeScannerViewController");
    testsupport::advance(1);
    ASSERT_TRUE(scan->came);
    EXPECT_FALSE(scan->error) << *scan->error;
    const auto review = post(*webView, "tarnix", {{"service", "AppReviewService"}, {"action", "requestReview"}});
    EXPECT_TRUE(review->came);
    EXPECT_FALSE(review->error);

    // The page's bootstrap reaches the model and, through it, the app's flow.
    webView->postScriptMessage("webAppEventBootstrapDone", {{"menuItems", Json::array()}});
    testsupport::pump();
    EXPECT_EQ(model->state().value(), State::bootstrapped);
    ASSERT_EQ(flow->bootstraps.size(), 1u);
    EXPECT_EQ(flow->lastScreen.get(), static_cast<CommunityViewControllable*>(screen.get()));
}

TEST_F(CommunityHybridViewControllerTest, NoMessageFromOutsideTheCommunitysMainFrameReachesAnyHandler) {
    show();
    accounts->user = communitytest::makeUser();
    const auto webView = screen->webView();
    const auto names = webView->configuration()->userContentController->scriptMessageHandlerNames();
    ASSERT_EQ(names.size(), 8u);
    using Delivery = platform::web::UserContentController::Delivery;
    const struct {
        const char* name;
        std::string frame;
        bool isMainFrame;
    } strangers[] = {
        {"a sub-frame of the community page", kStartPage, false},
        {"another port of the community's host", "https://community.example.test:8443/s/", true},
        {"plain http", "http://community.example.test/s/", true},
        {"plain http on port 443", "http://community.example.test:443/s/", true},
        {"a look-alike host", "https://community.example.test.evil.test/s/", true},
        {"a sub-domain", "https://www.community.example.test/s/", true},
        {"another site", "https://elsewhere.example.test/s/", true},
        {"a page without an origin", "about:blank", true},
    };
    for (const auto& c : strangers) {
        for (const auto& name : names) {
            SCOPED_TRACE(std::string(c.name) + ": " + name);
            platform::web::PageMessageOptions options;
            options.isMainFrame = c.isMainFrame;
            options.frameURL = url(c.frame);
            std::optional<std::pair<std::optional<Json>, std::optional<std::string>>> reply;
            EXPECT_EQ(webView->postScriptMessage(
                          name, Json::object(), options,
                          [&reply](std::optional<Json> value, std::optional<std::string> error) {
                              reply.emplace(std::move(value), std::move(error));
                          }),
                      Delivery::refused);
            testsupport::pump();
            // A page awaiting a reply is told no, and nothing else.
            if (reply) {
                EXPECT_EQ(reply->first, std::nullopt);
                EXPECT_EQ(reply->second, platform::web::UserContentController::kRefusedSenderMessage);
            }
        }
    }
    // A foreign page shown in the community web view, posting from its own main frame.
    webView->followLink(url("https://elsewhere.example.test/s/"));
    ASSERT_TRUE(settled());
    ASSERT_EQ(webView->url(), url("https://elsewhere.example.test/s/"));
    for (const auto& name : names) {
        SCOPED_TRACE(std::string("the page shown: ") + name);
        EXPECT_EQ(webView->postScriptMessage(name, Json::object()), Delivery::refused);
    }
    testsupport::pump();
    EXPECT_TRUE(accounts->calls.empty()) << "no sign-in, no logout";
    EXPECT_NE(accounts->user, nullptr);
    EXPECT_TRUE(flow->bootstraps.empty());
    EXPECT_EQ(flow->pageLoads, 0);
    EXPECT_FALSE(screen->presentedViewController()) << "no plug-in screen";

    // The community's own main frame, with the default port written out or not, still reaches each handler.
    for (const std::string page : {"https://community.example.test/s/", "https://community.example.test:443/s/"}) {
        for (const auto& name : names) {
            SCOPED_TRACE(page + ": " + name);
            platform::web::PageMessageOptions options;
            options.frameURL = url(page);
            EXPECT_NE(webView->postScriptMessage(name, Json{{"service", "AppReviewService"}}, options),
                      Delivery::refused);
            testsupport::pump();
        }
    }
}

TEST_F(CommunityHybridViewControllerTest, AForeignPageShownAfterALinkGetsNoEventNoRecordAndNoToken) {
    // The community's host on another port is another site too.
    platform::HttpSession::setHostMapping("community.example.test:8443", "127.0.0.1:" + std::to_string(server.port()));
    struct Unmap {
        ~Unmap() { platform::HttpSession::removeHostMapping("community.example.test:8443"); }
    } unmap;
    show();
    accounts->user = communitytest::makeUser();
    const auto webView = screen->webView();
    const auto store = platform::veltrane::VQSDKEventStoreManager::sharedInstance();
    store->deleteAllEvents();
    for (const char* id : {"event-1", "event-2"}) store->storeEvent(instrtest::interactionEvent(id));
    const auto storedIds = [] {
        std::vector<std::string> ids;
        for (const auto& event : instrtest::storedEvents()) ids.push_back(event->eventId);
        return ids;
    };
    ASSERT_EQ(storedIds(), (std::vector<std::string>{"event-1", "event-2"}));
    // Whatever page is shown confirms every hand-over it gets, as a foreign site would.
    webView->setJavaScriptResponder([](const platform::web::JavaScriptCall& call) -> std::optional<platform::web::JavaScriptReply> {
        if (call.kind != platform::web::JavaScriptCall::Kind::callAsync) return std::nullopt;
        return platform::web::JavaScriptReply{call.arguments["txnId"], std::nullopt};
    });
    const auto pageCalls = [&] {
        std::vector<std::string> calls;
        for (const auto& call : webView->javaScriptJournal()) {
            if (call.script.find("myvellicor.nativejsapi") != std::string::npos) calls.push_back(call.script);
        }
        return calls;
    };
    const std::string navigate = R"(myvellicor.nativejsapi.navigateTo({"id":"001"});)";

    for (const std::string foreign : {"https://elsewhere.example.test/s/", "https://community.example.test:8443/s/"}) {
        SCOPED_TRACE(foreign);
        webView->followLink(url(foreign));
        ASSERT_TRUE(settled());
        ASSERT_EQ(webView->url(), url(foreign)) << "the link stays in the web view";
        webView->clearJavaScriptJournal();

        screen->refreshNotifications();
        screen->openRecord(R"({"id":"001"})");
        screen->sendKORVALogs();
        const auto credentials = post(*webView, "getAuthCredentials", Json::object());
        testsupport::pump();
        EXPECT_TRUE(pageCalls().empty()) << "no notification refresh, no page reference, no event";
        ASSERT_TRUE(credentials->came);
        EXPECT_EQ(credentials->value, std::nullopt) << "no token";
        EXPECT_EQ(storedIds(), (std::vector<std::string>{"event-1", "event-2"})) << "the events stay stored";

        // Back on the community's page the record opens, once.
        webView->goBack();
        ASSERT_TRUE(settled());
        ASSERT_EQ(webView->url()->host(), "community.example.test");
        EXPECT_EQ(pageCalls(), std::vector<std::string>{navigate});
    }
    // The community's own page gets the events and the credentials.
    screen->sendKORVALogs();
    const auto credentials = post(*webView, "getAuthCredentials", Json::object());
    testsupport::pump();
    EXPECT_TRUE(storedIds().empty());
    ASSERT_TRUE(credentials->came);
    ASSERT_TRUE(credentials->value);
    EXPECT_EQ(credentials->value->at("accessToken"), "access-token");
}

TEST_F(CommunityHybridViewControllerTest, AMissingPlugInRuntimeIsIgnored) {
    platform::tarnixbridge::setTarnixResourcesHiddenForTesting(true);
    show();
    const auto& controller = screen->webView()->configuration()->userContentController;
    EXPECT_TRUE(controller->hasScriptMessageHandler("tarnix"));
    EXPECT_TRUE(controller->hasScriptMessageHandler("invokeNativeEvent"));
    EXPECT_FALSE(controller->hasScriptMessageHandler("instrumentation"));
    EXPECT_TRUE(screen->jsCallDispatchHandler());
}

TEST_F(CommunityHybridViewControllerTest, TheProgressOverlayFollowsTheState) {
    show();
    auto& state = screen->communityHybridViewModel()->state();
    const auto root = screen->view();
    auto first = screen->progressView();
    ASSERT_TRUE(first) << "a new screen shows its progress";
    EXPECT_EQ(first->superview(), root);

    state.setValue(State::initialized);
    EXPECT_EQ(screen->progressView(), first) << "the overlay on screen is reused";
    EXPECT_EQ(subviewsOf<ProgressView>(*root).size(), 1u);

    state.setValue(State::premLoad);
    EXPECT_FALSE(first->superview());
    first.reset();
    EXPECT_FALSE(screen->progressView()) << "the screen does not keep it";
    state.setValue(State::bootstrapped); // the overlay is gone already: nothing to do

    state.setValue(State::initialized);
    const auto second = screen->progressView();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->superview(), root);
    EXPECT_EQ(subviewsOf<ProgressView>(*root).size(), 1u);
    state.setValue(State::pageLoaded);
    EXPECT_TRUE(subviewsOf<ProgressView>(*root).empty());
}

TEST_F(CommunityHybridViewControllerTest, AToastTextIsShownAndNoneShowsNothing) {
    show();
    auto& toast = screen->communityHybridViewModel()->toast();
    toast.setValue(std::nullopt);
    testsupport::advance(1);
    EXPECT_TRUE(subviewsOf<Toast>(*screen->view()).empty());

    toast.setValue("Community loaded successfully");
    testsupport::advance(1);
    const auto shown = subviewsOf<Toast>(*screen->view());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], screen->toastView());
    EXPECT_EQ(shown[0]->descriptionLabel()->text, "Community loaded successfully");

    toast.setValue(std::nullopt);
    testsupport::advance(1);
    EXPECT_EQ(shown[0]->descriptionLabel()->text, "Community loaded successfully") << "none changes nothing";
}

TEST_F(CommunityHybridViewControllerTest, TheLoadedMessageHasNoWarningSignAndLeavesOnItsOwn) {
    // The splash time-out put the bootstrap fault up (kept up, with its action).
    context->faultManager->addFault(std::make_shared<AppBootstrapFault>());
    show();
    testsupport::advance(1);
    ASSERT_EQ(subviewsOf<Toast>(*screen->view()).size(), 1u);

    // The web app reports its bootstrap after all: the message replaces the fault.
    screen->communityHybridViewModel()->toast().setValue("Community loaded successfully");
    testsupport::advance(1);
    const auto shown = subviewsOf<Toast>(*screen->view());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], screen->toastView());
    EXPECT_TRUE(shown[0]->iconImage()->isHidden) << "no warning sign on a success";
    EXPECT_TRUE(shown[0]->actionButton()->isHidden);

    testsupport::advance(Toast::kMessageDuration - 1.1);
    EXPECT_EQ(subviewsOf<Toast>(*screen->view()).size(), 1u);
    testsupport::advance(0.2);
    EXPECT_TRUE(subviewsOf<Toast>(*screen->view()).empty()) << "gone after its time";
}

TEST_F(CommunityHybridViewControllerTest, QueuedFaultsShowWhenTheScreenAppears) {
    context->faultManager->addFault(std::make_shared<AppBootstrapFault>());
    show();
    testsupport::advance(1);
    EXPECT_EQ(subviewsOf<Toast>(*screen->view()).size(), 1u);
    EXPECT_TRUE(context->faultManager->faults().empty());
}

TEST_F(CommunityHybridViewControllerTest, ToastsShowOnTheScreenTheAppShows) {
    show();
    const auto shown = screen;
    const auto coordinator = AppCoordinator::create(navigation);
    coordinator->loadTopViewController();
    context->setAppCoordinator(coordinator);

    // Another community screen (a tab not in front) shows its toast on the app's screen.
    const auto other = CommunityHybridViewController::create(makeCommunityModel());
    other->view();
    EXPECT_EQ(other->webAppViewController(), shown);
    other->communityHybridViewModel()->toast().setValue("Community loaded successfully");
    testsupport::advance(1);
    EXPECT_EQ(subviewsOf<Toast>(*shown->view()).size(), 1u);
    EXPECT_TRUE(subviewsOf<Toast>(*other->view()).empty());
    context->setAppCoordinator(nullptr);
}

TEST_F(CommunityHybridViewControllerTest, QueuedFaultsShowOnTheScreenTheAppShowsElseOnTheScreenItself) {
    // The coordinator shows another screen (the tab bar, or the first community screen).
    const auto shown = flowtest::FakeCommunityScreen::make(State::pageLoaded);
    installAppCoordinator(shown);
    context->faultManager->addFault(std::make_shared<AppBootstrapFault>());
    show();
    testsupport::advance(1);
    EXPECT_EQ(screen->webAppViewController(), shown);
    EXPECT_EQ(subviewsOf<Toast>(*shown->view()).size(), 1u) << "the queued fault";
    EXPECT_TRUE(subviewsOf<Toast>(*screen->view()).empty());

    // A coordinator that holds no screen (the app's interface is not up): the screen itself.
    installAppCoordinator(nullptr);
    EXPECT_EQ(screen->webAppViewController(), screen);
    // No coordinator at all.
    context->setAppCoordinator(nullptr);
    EXPECT_EQ(screen->webAppViewController(), screen);
}

TEST_F(CommunityHybridViewControllerTest, OutsideLinksOpenOnceWhereTheRulesSayAndNeverLoop) {
    enum class Where { webView, cookieBrowser, outside };
    const struct {
        const char* defaultBehavior;
        const char* link;
        Where where;
    } cases[] = {
        {"WithinApp", "https://community.example.test/s/topic", Where::webView},
        {"WithinApp", "https://forum.example.test/thread", Where::webView},
        {"WithinApp", "https://elsewhere.example.test/page", Where::webView},
        {"WithinApp", "https://partner.example.test/a", Where::cookieBrowser},
        {"WithinApp", "https://docs.example.test/a", Where::outside},
        {"WithinApp", "https://shop.example.test/cart", Where::outside},
        {"WithinApp", "mailto:someone@example.test", Where::outside},
        {"WithinApp", "tel:+15551234", Where::outside},
        {"WithinApp", "about:blank#x", Where::outside},
        {"WithinApp", "otherapp://open/item", Where::outside},
        {"InAppSharedCookieBrowser", "https://elsewhere.example.test/page", Where::cookieBrowser},
        {"InAppSharedCookieBrowser", "mailto:someone@example.test", Where::outside},
        {"InAppSharedCookieBrowser", "https://forum.example.test/thread", Where::webView},
        {"ExternalBrowser", "https://elsewhere.example.test/page", Where::outside},
        {"InAppBrowser", "https://elsewhere.example.test/page", Where::outside},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.defaultBehavior) + " " + c.link);
        installRules(c.defaultBehavior);
        Application::shared().reset();
        show();
        screen->communityHybridViewModel()->state().setValue(State::bootstrapped);
        const auto link = url(c.link);
        const auto decisionsBefore = decisionsAbout(link);
        screen->communityHybridViewModel()->externalURL().setValue(link);
        ASSERT_TRUE(settled());
        testsupport::advance(2);
        ASSERT_TRUE(settled());

        const auto top = navigation->topViewController();
        const auto browser = std::dynamic_pointer_cast<SharedCookieBrowserViewController>(top);
        EXPECT_EQ(decisionsAbout(link) - decisionsBefore, c.where == Where::webView ? 1 : 0);
        EXPECT_EQ(openedCount(link), c.where == Where::outside ? 1 : 0);
        EXPECT_EQ(browser != nullptr, c.where == Where::cookieBrowser);
        if (browser) {
            EXPECT_EQ(browser->url, link);
        }
        if (c.where == Where::webView) {
            EXPECT_EQ(screen->webView()->title(), link.path());
        }
    }
}

TEST_F(CommunityHybridViewControllerTest, OpenURLChoosesAsTheListenerDoes) {
    show();
    screen->communityHybridViewModel()->state().setValue(State::pageLoaded);
    const auto mail = url("mailto:someone@example.test");
    screen->openURL(mail);
    screen->openURL(url("https://partner.example.test/b"));
    screen->openURL(url("https://community.example.test/s/record"));
    ASSERT_TRUE(settled());
    EXPECT_EQ(openedCount(mail), 1);
    EXPECT_EQ(decisionsAbout(mail), 0);
    ASSERT_TRUE(std::dynamic_pointer_cast<SharedCookieBrowserViewController>(navigation->topViewController()));
    EXPECT_EQ(screen->webView()->title(), "/s/record");
}

TEST_F(CommunityHybridViewControllerTest, ACredentialRefreshLoadsTheRequestWithOrWithoutACompletion) {
    for (const bool withCompletion : {false, true}) {
        SCOPED_TRACE(withCompletion ? "with completion" : "without completion");
        accounts->user = nullptr;
        accounts->pendingLogins.clear();
        show();
        screen->communityHybridViewModel()->state().setValue(State::pageLoaded);
        accounts->user = communitytest::makeUser();
        const auto frontDoorsBefore = std::ranges::count_if(
            server.requests(), [](const auto& request) { return request.path == "/gate/entry.vx"; });

        std::optional<std::optional<std::string>> reported;
        std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion;
        if (withCompletion) {
            completion = [&reported](std::optional<std::string> address, std::optional<platform::Error> error) {
                EXPECT_FALSE(error);
                reported = address;
            };
        }
        screen->refreshUserCredentials(url("https://community.example.test/s/topic"), completion);
        ASSERT_EQ(accounts->pendingLogins.size(), 1u);
        accounts->pendingLogins.front()(
            veltrane::VQAuthSuccess{communitytest::makeUser(), veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
        ASSERT_TRUE(settled());

        const auto frontDoors = std::ranges::count_if(
            server.requests(), [](const auto& request) { return request.path == "/gate/entry.vx"; });
        EXPECT_EQ(frontDoors - frontDoorsBefore, 1);
        if (withCompletion) {
            ASSERT_TRUE(reported.has_value());
            ASSERT_TRUE(reported->has_value());
            EXPECT_TRUE((*reported)->starts_with("https://community.example.test/gate/entry.vx?")) << **reported;
            EXPECT_NE((*reported)->find("returnTo=https://community.example.test/s/topic"), std::string::npos);
        }
    }
}

TEST_F(CommunityHybridViewControllerTest, AReleasedScreenDoesNothingButPendingRepliesAreAnswered) {
    show();
    const auto model = screen->communityHybridViewModel();
    const auto webView = screen->webView();
    const auto dispatch = screen->jsCallDispatchHandler();
    // A session refresh is under way when the screen goes.
    model->state().setValue(State::pageLoaded);
    accounts->user = communitytest::makeUser();
    int refreshAnswers = 0;
    screen->refreshUserCredentials(url("https://community.example.test/s/topic"),
                                   [&refreshAnswers](std::optional<std::string>, std::optional<platform::Error> error) {
                                       EXPECT_FALSE(error);
                                       ++refreshAnswers;
                                   });
    ASSERT_EQ(accounts->pendingLogins.size(), 1u);
    std::weak_ptr<CommunityHybridViewController> weakScreen = screen;
    navigation.reset();
    window.reset();
    platform::ui::Window::resetAll();
    screen.reset();
    testsupport::pump();
    ASSERT_TRUE(weakScreen.expired()) << "nothing keeps the screen alive";

    // The refresh still answers its caller; nothing is loaded for the screen.
    const auto frontDoorsBefore =
        std::ranges::count_if(server.requests(), [](const auto& request) { return request.path == "/gate/entry.vx"; });
    accounts->pendingLogins.front()(
        veltrane::VQAuthSuccess{communitytest::makeUser(), veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
    testsupport::pump();
    EXPECT_EQ(refreshAnswers, 1);
    EXPECT_FALSE(webView->isLoading());
    EXPECT_EQ(std::ranges::count_if(server.requests(), [](const auto& request) { return request.path == "/gate/entry.vx"; }),
              frontDoorsBefore);

    // The model's values reach no listener.
    model->state().setValue(State::initialized);
    model->toast().setValue("text");
    const auto mail = url("mailto:someone@example.test");
    model->externalURL().setValue(mail);
    testsupport::pump();
    EXPECT_EQ(openedCount(mail), 0);

    // Calls into the page run nothing.
    webView->followLink(url("https://community.example.test/s/next"));
    testsupport::waitUntil([&] { return !webView->isLoading(); });
    testsupport::pump();
    const auto scriptsBefore = webView->javaScriptJournal().size();
    dispatch->openRecord("\"0D5\"");
    dispatch->refreshNotifications();
    testsupport::pump();
    EXPECT_EQ(webView->javaScriptJournal().size(), scriptsBefore);

    // Messages still get their answer: the native event has nobody to act
    // on it, the scanner nobody to show it, and neither crashes.
    const auto event = postOpenLink(*webView, mail);
    EXPECT_TRUE(event->came);
    EXPECT_TRUE(event->error);
    EXPECT_EQ(openedCount(mail), 0);
    const auto scan = postScan(*webView);
    testsupport::advance(1);
    EXPECT_TRUE(scan->came);
}

TEST(CommunityHybridViewControllerDeathTest, AStoryboardCannotMakeTheScreen) {
    EXPECT_DEATH(CommunityHybridViewController::makeStoryboardContent(), "This class does not support NSCoder");
}

} // namespace
