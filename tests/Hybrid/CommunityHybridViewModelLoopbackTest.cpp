// The community model as navigation delegate of a web view on the loopback
// community server over HTTPS.

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

#include "VellicorApp/Core/FaultManager.hpp"

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Shell/AppAccountFixture.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include <gtest/gtest.h>

#include <httplib.h>

#include <algorithm>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

const char* const kServerErrorPage =
    "<html><head><title>Error</title></head><body><h1>Internal Server Error</h1>"
    "<p>Support: 1234-56789 (42)</p></body></html>";

class CommunityHybridViewModelLoopbackTest : public apptest::AppAccountFixture {
protected:
    void SetUp() override {
        AppAccountFixture::SetUp();
        context = apptest::installContext(context, center);
        server.setAccessTokenPrefix("at!+/");
        server.setPage("/s/topic", {"Topic", "<p>A discussion.</p>", true});
        server.addRoute("GET", "/s/broken", [](const httplib::Request&, httplib::Response& response, const std::smatch&) {
            response.status = 500;
            response.set_content(kServerErrorPage, "text/html");
        });
    }
    void TearDown() override {
        webView.reset();
        model.reset();
        AppAccountFixture::TearDown();
    }

    /// A signed-in user's community model shown in a web view.
    void makeModel() {
        account = signIn();
        ASSERT_NE(account, nullptr);
        auto config = veltrane::VQHybridViewConfig::create(Json::object());
        config->setStartPage("/s/topic");
        model = CommunityHybridViewModel::create(config);
        webView = platform::web::WebView::create({}, model->webViewConfig());
        webView->setNavigationDelegate(model);
        ASSERT_TRUE(testsupport::waitUntil([&] { return model->oAuthCoordinator().has_value(); }));
    }

    void load(const std::string& url) {
        webView->load(platform::HttpRequest(platform::Url::parse(url).value()));
    }
    bool showsPage(const std::string& path) {
        return testsupport::waitUntil(
            [&] { return !webView->isLoading() && webView->url() && webView->url()->path() == path; });
    }
    std::vector<communityserver::RecordedRequest> requestsTo(const std::string& path) const {
        auto all = server.requests();
        std::erase_if(all, [&](const auto& request) { return request.path != path; });
        return all;
    }
    bool logsInfo(const std::string& text) const {
        const auto lines = apptest::appLogTexts("INFO");
        return std::find(lines.begin(), lines.end(), "CommunityHybridViewModel: " + text) != lines.end();
    }

    std::shared_ptr<apptest::RecordingMarkerCenter> center = std::make_shared<apptest::RecordingMarkerCenter>();
    std::shared_ptr<veltrane::VQUserAccount> account;
    std::shared_ptr<CommunityHybridViewModel> model;
    std::shared_ptr<platform::web::WebView> webView;
};

TEST_F(CommunityHybridViewModelLoopbackTest, ASignedInModelOpensTheFrontDoorAndThePage) {
    makeModel();
    load(model->startPage().value());
    ASSERT_TRUE(showsPage("/s/topic"));
    EXPECT_NE(webView->documentText().find("Signed in as Alice Example"), std::string::npos);
    EXPECT_EQ(requestsTo("/gate/entry.vx").size(), 1u);
    EXPECT_TRUE(logsInfo("Handling https://community.example.test/gate/entry.vx?***"));
    EXPECT_TRUE(logsInfo("Handling https://community.example.test/s/topic"));
}

TEST_F(CommunityHybridViewModelLoopbackTest, ALoginRedirectRefreshesNativelyAndReloadsThePage) {
    makeModel();
    model->state().setValue(State::pageLoaded);
    load("https://community.example.test/s/topic");
    ASSERT_TRUE(showsPage("/s/topic"));
    EXPECT_NE(webView->documentText().find("Signed in as Alice Example"), std::string::npos);
    const auto tokens = requestsTo("/vapi/oauth2/token");
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens.back().param("grant_type"), "refresh_token");
    EXPECT_TRUE(requestsTo("/s/login/").empty());
}

TEST_F(CommunityHybridViewModelLoopbackTest, ALinkThatLeadsBackToTheLoginRedirectEndsAfterOneRefresh) {
    makeModel();
    load(model->startPage().value());
    ASSERT_TRUE(showsPage("/s/topic"));
    model->state().setValue(State::pageLoaded);
    // A sign-in redirect whose return page is the sign-in redirect: the front
    // door after the refresh leads straight back to it.
    const std::string again = "https://community.example.test/vapi/identity/mobileauthredirect";
    webView->followLink(platform::Url::parse("https://community.example.test/vapi/identity/mobileauthredirect?returnTo=" +
                                             platform::addingPercentEncoding(again, platform::UrlCharacterSet::alphanumerics))
                            .value());
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return !model->isReAuthenticating() && !webView->isLoading() && webView->url() &&
               webView->url()->path() == "/vapi/identity/mobileauthredirect";
    })) << "the web view shows a page";
    testsupport::pump();
    EXPECT_EQ(requestsTo("/vapi/oauth2/token").size(), 2u) << "the sign-in and one refresh";
    EXPECT_EQ(requestsTo("/gate/entry.vx").size(), 2u) << "the start page and one front door";
    EXPECT_EQ(std::ranges::count(apptest::appLogTexts("INFO"), "HybridViewModel: Showing the login page: the session "
                                                               "was refreshed for this navigation already."),
              1);

    // The next link may refresh again: the bound is per navigation.
    webView->followLink(platform::Url::parse("https://community.example.test/vapi/identity/mobileauthredirect").value());
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return requestsTo("/vapi/oauth2/token").size() == 3 && !model->isReAuthenticating() && !webView->isLoading();
    }));
    ASSERT_TRUE(showsPage("/s/topic"));
}

TEST_F(CommunityHybridViewModelLoopbackTest, AFrontDoorThatRefusesTheTokenRefreshesPassively) {
    makeModel();
    server.setFrontDoorRefusalStatus(403);
    server.expireAccessTokens();
    model->state().setValue(State::pageLoaded);
    const auto frontDoor = model->startPage().value();
    load(frontDoor);
    ASSERT_TRUE(testsupport::waitUntil([&] { return requestsTo("/vapi/oauth2/token").size() == 2; }));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !model->isReAuthenticating() && !webView->isLoading(); }));
    EXPECT_TRUE(logsInfo("Performing passive session refresh on entry.vx 401/403 failure"));
    // The refresh loads nothing by itself: the screen shows its progress
    // until the splash time-out lets the app go on with its fault.
    EXPECT_EQ(requestsTo("/gate/entry.vx").size(), 1u);
    EXPECT_FALSE(webView->url().has_value()) << "the refused answer was never shown";
    EXPECT_EQ(model->state().value(), State::initialized);
    testsupport::advance(60.1);
    EXPECT_EQ(model->state().value(), State::premLoad);
    EXPECT_EQ(context->faultManager->faults().size(), 1u);
}

TEST_F(CommunityHybridViewModelLoopbackTest, AServerErrorAfterThePageLoadIsCancelled) {
    makeModel();
    load(model->startPage().value());
    ASSERT_TRUE(showsPage("/s/topic"));
    model->state().setValue(State::pageLoaded);
    load("https://community.example.test/s/broken");
    ASSERT_TRUE(testsupport::waitUntil([&] { return requestsTo("/s/broken").size() == 1 && !webView->isLoading(); }));
    testsupport::pump();
    EXPECT_EQ(webView->url()->path(), "/s/topic") << "the error page is not shown";
    EXPECT_TRUE(logsInfo("Performing post auth flow on 500 failure"));

    // Before the page load the same answer is shown, and the page check finds it.
    model->state().setValue(State::bootstrapped);
    load("https://community.example.test/s/broken");
    ASSERT_TRUE(showsPage("/s/broken"));
    load("https://community.example.test/s/broken");
    ASSERT_TRUE(testsupport::waitUntil([&] { return requestsTo("/s/broken").size() == 3 && !webView->isLoading(); }));
    testsupport::pump();
    ASSERT_FALSE(center->errors.empty());
    EXPECT_EQ(center->errors.back().name, KORVAMarkerName::internalServerErrorDisplayed);
    EXPECT_EQ(center->errors.back().attributes.at("supportId"), "1234-56789 (42)");
}

TEST_F(CommunityHybridViewModelLoopbackTest, NoTokenReachesTheLogFile) {
    makeModel();
    load(model->startPage().value());
    ASSERT_TRUE(showsPage("/s/topic"));
    model->state().setValue(State::pageLoaded);
    load("https://community.example.test/s/profile?access_token=" + *account->credentials()->accessToken);
    ASSERT_TRUE(showsPage("/s/profile"));
    platform::LogSink::flush();
    auto files = sandboxFiles();
    std::erase_if(files, [](const auto& file) { return file.first.extension() != ".log"; });
    ASSERT_FALSE(files.empty());
    for (const auto& [path, text] : files) {
        EXPECT_EQ(findSecret(text, server.issuedTokens()), std::nullopt) << path;
    }
}

} // namespace
