#include "VellicorApp/Hybrid/AuthenticationMessageHandler.hpp"

#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"

#include <gtest/gtest.h>

#include <thread>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kUserAgent = "Vellicor/1.0 (compact)";
constexpr const char* kPage = "https://community.example.test/s/topic/1";

/// How the fake model's sign-in ends.
enum class SignIn { succeeds, succeedsOnAWorker, succeedsWithoutCredentials, fails, dropsCompletion, keepsCompletion };

class FakeModel : public AuthenticationMessageHandlerDelegate {
public:
    void authenticationMessageHandlerShouldAuthenticate(veltrane::VQAuthCompletion completion) override {
        ++signIns;
        const auto success = veltrane::VQAuthSuccess{account, veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)};
        switch (signIn) {
        case SignIn::succeeds: completion(success); break;
        case SignIn::succeedsOnAWorker: std::thread([completion, success] { completion(success); }).join(); break;
        case SignIn::succeedsWithoutCredentials:
            completion(veltrane::VQAuthSuccess{veltrane::VQUserAccount::create(nullptr), success.authInfo});
            break;
        case SignIn::fails: completion(std::unexpected(veltrane::UserAccountManagerError::cancelled())); break;
        case SignIn::dropsCompletion: break;
        case SignIn::keepsCompletion: kept = std::move(completion); break;
        }
    }
    std::pair<std::optional<platform::HttpRequest>, std::optional<platform::Error>>
    authenticationMessageHandlerShouldHandleOAuthResults(const std::optional<std::string>& address,
                                                         const veltrane::VQAuthResult& result) override {
        followUps.push_back({address, result.has_value()});
        return {nextRequest, platform::Error("Test", 1)};
    }

    SignIn signIn = SignIn::succeeds;
    std::shared_ptr<veltrane::VQUserAccount> account = hybridtest::makeAccount();
    std::optional<platform::HttpRequest> nextRequest;
    int signIns = 0;
    veltrane::VQAuthCompletion kept;
    struct FollowUp {
        std::optional<std::string> address;
        bool succeeded;
    };
    std::vector<FollowUp> followUps;
};

class AuthenticationMessageHandlerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        webView = platform::web::WebView::create({}, WebViewConfigurationFactory(kUserAgent).defaultConfig());
        handler->setDelegate(model);
        for (const auto type : AuthenticationMessageHandler::kAllMessageTypes) {
            webView->configuration()->userContentController->addScriptMessageHandler(
                handler, platform::web::ContentWorld::page(), std::string(AuthenticationMessageHandler::rawValue(type)));
        }
        webView->loadHTMLString("<html></html>", platform::Url::parse(kPage));
        testsupport::pump();
    }

    /// Posts through the web view, as the page does, and returns every reply
    /// the page received once the main queue is idle.
    hybridtest::Replies post(const std::string& name, const std::string& frameURL = kPage, bool mainFrame = true) {
        hybridtest::Replies replies;
        platform::web::PageMessageOptions options;
        options.isMainFrame = mainFrame;
        options.frameURL = platform::Url::parse(frameURL);
        webView->postScriptMessage(name, Json::object(), options, replies.handler());
        testsupport::pump();
        return replies;
    }

    std::shared_ptr<AuthenticationMessageHandler> handler = AuthenticationMessageHandler::create(kUserAgent);
    std::shared_ptr<FakeModel> model = std::make_shared<FakeModel>();
    /// A web view as the app makes them (it takes messages from community senders only), made in SetUp.
    std::shared_ptr<platform::web::WebView> webView;
};

Json credentialsWithUserAgent(const veltrane::VQUserAccount& account) {
    auto expected = Json{{"accessToken", "access-token"}, {"refreshToken", "refresh-token"}, {"clientId", "client-id"},
                         {"userId", "005user"},           {"orgId", "00Dorg"},
                         {"communityUrl", "https://community.example.test/s/"},
                         {"loginUrl", "https://community.example.test"},
                         {"instanceUrl", "https://instance.example.test"},
                         {"userAgent", kUserAgent}};
    EXPECT_NE(account.credentials(), nullptr);
    return expected;
}

TEST_F(AuthenticationMessageHandlerTest, EveryMessageIsAnsweredExactlyOnce) {
    const std::string cancelled = localizedDescription(veltrane::UserAccountManagerError::cancelled());
    const auto credentials = credentialsWithUserAgent(*model->account);
    const struct {
        const char* name;
        std::string message;
        SignIn signIn;
        bool signedIn;
        bool withDelegate;
        std::optional<Json> value;
        std::optional<std::string> error;
        int followUps;
    } cases[] = {
        {"sign-in", "authenticate", SignIn::succeeds, false, true, credentials, std::nullopt, 1},
        {"sign-in ending on a worker", "authenticate", SignIn::succeedsOnAWorker, false, true, credentials, std::nullopt, 1},
        {"sign-in cancelled", "authenticate", SignIn::fails, false, true, Json::object(), cancelled, 1},
        {"signed in without credentials", "authenticate", SignIn::succeedsWithoutCredentials, false, true, std::nullopt,
         std::nullopt, 1},
        {"sign-in that never calls back", "authenticate", SignIn::dropsCompletion, false, true, std::nullopt,
         "Not authenticated", 0},
        {"no delegate", "authenticate", SignIn::succeeds, false, false, std::nullopt, "Not authenticated", 0},
        {"logout", "logoutCurrentUser", SignIn::succeeds, true, true, Json::object(), std::nullopt, 0},
        {"credentials", "getAuthCredentials", SignIn::succeeds, true, true, credentials, std::nullopt, 0},
        {"credentials, signed out", "getAuthCredentials", SignIn::succeeds, false, true, std::nullopt,
         "Not authenticated", 0},
        {"home URL", "getAppHomeUrl", SignIn::succeeds, true, true, std::nullopt, "Not Supported", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model->signIn = c.signIn;
        model->followUps.clear();
        accounts->user = c.signedIn ? model->account : nullptr;
        handler->setDelegate(c.withDelegate ? model : nullptr);
        const auto replies = post(c.message);
        ASSERT_EQ(replies.count(), 1u);
        EXPECT_EQ(replies.only().value, c.value);
        EXPECT_EQ(replies.only().error, c.error);
        EXPECT_TRUE(replies.only().onMainThread);
        EXPECT_EQ(model->followUps.size(), static_cast<std::size_t>(c.followUps));
    }
}

TEST_F(AuthenticationMessageHandlerTest, AnyOtherNameThatReachesTheHandlerIsNotSupported) {
    webView->configuration()->userContentController->addScriptMessageHandler(handler, platform::web::ContentWorld::page(),
                                                                            "getSomethingElse");
    const auto replies = post("getSomethingElse");
    EXPECT_EQ(replies.only().value, std::nullopt);
    EXPECT_EQ(replies.only().error, "Not Supported");
}

TEST_F(AuthenticationMessageHandlerTest, ASignInAnsweredLateAnswersOnceAndTheDefaultOnlyWhenDropped) {
    model->signIn = SignIn::keepsCompletion;
    auto replies = post("authenticate");
    EXPECT_EQ(replies.count(), 0u);
    model->kept(veltrane::VQAuthSuccess{model->account, veltrane::VQOAuthInfo()});
    testsupport::pump();
    EXPECT_EQ(replies.only().value->at("accessToken"), "access-token");
    model->kept(std::unexpected(veltrane::UserAccountManagerError::cancelled())); // a second call changes nothing
    model->kept = nullptr;
    testsupport::pump();
    EXPECT_EQ(replies.count(), 1u);

    replies = post("authenticate");
    model->kept = nullptr; // the SDK let the sign-in go
    testsupport::pump();
    EXPECT_EQ(replies.only().error, "Not authenticated");
}

TEST_F(AuthenticationMessageHandlerTest, TheModelDecidesWhatLoadsAfterTheSignInFailedOrNot) {
    for (const auto signIn : {SignIn::succeeds, SignIn::fails}) {
        SCOPED_TRACE(signIn == SignIn::succeeds ? "succeeded" : "failed");
        model->signIn = signIn;
        model->followUps.clear();
        webView->loadHTMLString("<html></html>", platform::Url::parse(kPage));
        testsupport::pump();
        model->nextRequest = platform::HttpRequest(platform::Url::parse("about:blank").value());
        post("authenticate");
        ASSERT_EQ(model->followUps.size(), 1u);
        EXPECT_EQ(model->followUps[0].address, kPage);
        EXPECT_EQ(model->followUps[0].succeeded, signIn == SignIn::succeeds);
        ASSERT_TRUE(webView->url());
        EXPECT_EQ(webView->url()->absoluteString(), "about:blank");
    }
}

TEST_F(AuthenticationMessageHandlerTest, AHandlerGoneBeforeTheSignInEndsStillAnswersAndAsksNothing) {
    model->signIn = SignIn::keepsCompletion;
    auto replies = post("authenticate");
    webView->configuration()->userContentController->removeAllScriptMessageHandlers();
    handler.reset();
    model->kept(veltrane::VQAuthSuccess{model->account, veltrane::VQOAuthInfo()});
    testsupport::pump();
    EXPECT_EQ(replies.only().value, std::nullopt);
    EXPECT_EQ(replies.only().error, std::nullopt);
    EXPECT_TRUE(model->followUps.empty());
}

TEST_F(AuthenticationMessageHandlerTest, LogoutIsAnnouncedBeforeTheAccountManagerLogsOut) {
    accounts->user = model->account;
    const auto token = context->notificationCenter->addObserver(AuthenticationObserver::kUserInitiatedLogoutNotification,
                                                          nullptr, [this](const platform::Notification&) {
                                                              accounts->calls.push_back("announced");
                                                          });
    const auto replies = post("logoutCurrentUser");
    EXPECT_EQ(accounts->calls, (std::vector<std::string>{"announced", "logout"}));
    EXPECT_EQ(replies.only().value, Json::object());
    EXPECT_EQ(accounts->user, nullptr);
    context->notificationCenter->removeObserver(token);
}

TEST_F(AuthenticationMessageHandlerTest, OnlyTheCommunitysPagesReachTheHandler) {
    const struct {
        const char* name;
        std::string frameURL;
        bool mainFrame;
        bool signedIn;
        bool community;
    } senders[] = {
        {"the community page", kPage, true, true, true},
        {"upper-case host", "https://COMMUNITY.EXAMPLE.TEST/s/", true, true, true},
        {"the default port written out", "https://community.example.test:443/s/", true, true, true},
        {"the API host, apart from the login host", "https://api.example.test/", true, true, true},
        {"another port of the community's host", "https://community.example.test:8443/s/", true, true, false},
        {"a sub-frame", kPage, false, true, false},
        {"plain http", "http://community.example.test/s/", true, true, false},
        {"plain http on port 443", "http://community.example.test:443/s/", true, true, false},
        {"a suffix look-alike", "https://community.example.test.evil.test/", true, true, false},
        {"a prefix look-alike", "https://xcommunity.example.test/", true, true, false},
        {"the API host, signed out", "https://api.example.test/", true, false, false},
        {"a stranger", "https://evil.test/", true, true, false},
    };
    for (const auto& c : senders) {
        SCOPED_TRACE(c.name);
        model->signIns = 0;
        accounts->calls.clear();
        accounts->user = c.signedIn ? model->account : nullptr;
        const auto read = post("getAuthCredentials", c.frameURL, c.mainFrame);
        const auto login = post("authenticate", c.frameURL, c.mainFrame);
        const auto logout = post("logoutCurrentUser", c.frameURL, c.mainFrame);
        if (c.community) {
            EXPECT_EQ(read.only().value->at("accessToken"), "access-token");
            EXPECT_EQ(login.only().error, std::nullopt);
            EXPECT_EQ(model->signIns, 1);
            EXPECT_EQ(logout.only().value, Json::object());
            EXPECT_EQ(accounts->calls, std::vector<std::string>{"logout"});
            continue;
        }
        for (const auto* replies : {&read, &login, &logout}) {
            EXPECT_EQ(replies->only().value, std::nullopt);
            EXPECT_EQ(replies->only().error, platform::web::UserContentController::kRefusedSenderMessage);
        }
        EXPECT_EQ(model->signIns, 0);
        EXPECT_TRUE(accounts->calls.empty()) << "no sign-in and no logout";
        EXPECT_EQ(accounts->user != nullptr, c.signedIn);
    }
}

TEST(AuthenticationMessageHandlerNamesTest, TheFourNamesInOrder) {
    std::vector<std::string> names;
    for (const auto type : AuthenticationMessageHandler::kAllMessageTypes) {
        names.emplace_back(AuthenticationMessageHandler::rawValue(type));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"authenticate", "logoutCurrentUser", "getAuthCredentials", "getAppHomeUrl"}));
}

} // namespace
