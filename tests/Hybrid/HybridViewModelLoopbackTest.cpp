// The hybrid view model against the loopback community server over HTTPS:
// the front door it builds opens a web session, a login redirect is answered
// by a native session refresh, and no token reaches a log file.

#include "VellicorApp/Hybrid/HybridViewModel.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/Web/WebView.hpp"
#include "tests/Shell/AppAccountFixture.hpp"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vellicor;
using platform::Json;
namespace veltrane = platform::veltrane;

namespace {

class HybridViewModelLoopbackTest : public apptest::AppAccountFixture {
protected:
    void SetUp() override {
        AppAccountFixture::SetUp();
        // Tokens with characters that must be encoded on their way through the front door.
        server.setAccessTokenPrefix("at!+/");
        server.setPage("/s/topic", {"Topic", "<p>A discussion.</p>", true});
    }
    void TearDown() override {
        webView.reset();
        model.reset();
        AppAccountFixture::TearDown();
    }

    /// A signed-in user's model whose start page is `startPage`, shown in a web view.
    void makeModel(const std::string& startPage) {
        account = signIn();
        ASSERT_NE(account, nullptr);
        ASSERT_EQ(context->userAccountManager->currentUserAccount(), account);
        auto config = veltrane::VQHybridViewConfig::create(Json::object());
        config->setStartPage(startPage);
        model = HybridViewModel::create(config);
        webView = platform::web::WebView::create({}, model->webViewConfig());
        webView->setNavigationDelegate(model);
        // The org's sign-in configuration arrives from the login host.
        ASSERT_TRUE(testsupport::waitUntil([&] { return model->authConfig() != nullptr; }));
    }

    /// Waits until the web view shows the page at `path`.
    bool showsPage(const std::string& path) {
        return testsupport::waitUntil([&] {
            return !webView->isLoading() && webView->url() && webView->url()->path() == path;
        });
    }

    std::vector<communityserver::RecordedRequest> requestsTo(const std::string& path) const {
        auto all = server.requests();
        std::erase_if(all, [&](const auto& request) { return request.path != path; });
        return all;
    }

    /// Every log file the app and the SDK wrote, with its text.
    static std::vector<std::pair<std::filesystem::path, std::string>> logFiles() {
        platform::LogSink::flush();
        auto files = sandboxFiles();
        std::erase_if(files, [](const auto& file) { return file.first.extension() != ".log"; });
        return files;
    }

    std::shared_ptr<veltrane::VQUserAccount> account;
    std::shared_ptr<HybridViewModel> model;
    std::shared_ptr<platform::web::WebView> webView;
};

TEST_F(HybridViewModelLoopbackTest, TheFrontDoorOfASignedInModelOpensAWebSession) {
    makeModel("/s/topic");
    const auto startPage = model->startPage();
    ASSERT_TRUE(startPage.has_value());
    EXPECT_TRUE(startPage->starts_with("https://community.example.test/gate/entry.vx?sid=at%2521%252B%252F"))
        << *startPage;

    webView->load(platform::HttpRequest(platform::Url::parse(*startPage).value()));
    ASSERT_TRUE(showsPage("/s/topic"));
    EXPECT_NE(webView->documentText().find("Signed in as Alice Example"), std::string::npos);
    const auto doors = requestsTo("/gate/entry.vx");
    ASSERT_EQ(doors.size(), 1u);
    EXPECT_EQ(doors.front().param("display"), "touch");
    EXPECT_EQ(doors.front().param("returnTo"), "https://community.example.test/s/topic");
}

TEST_F(HybridViewModelLoopbackTest, ALoginRedirectRefreshesTheSessionNativelyAndReturnsToThePage) {
    makeModel("/s/");
    const auto tokenBefore = account->credentials()->accessToken;
    // No web session yet: the page redirects to the login page, which the
    // model stops and answers with a refresh and the front door.
    webView->load(platform::HttpRequest(platform::Url::parse("https://community.example.test/s/topic").value()));
    ASSERT_TRUE(showsPage("/s/topic"));
    EXPECT_NE(webView->documentText().find("Signed in as Alice Example"), std::string::npos);
    EXPECT_FALSE(model->isReAuthenticating());

    auto tokens = requestsTo("/vapi/oauth2/token");
    ASSERT_EQ(tokens.size(), 2u) << "the sign-in, then one refresh";
    EXPECT_EQ(tokens.back().param("grant_type"), "refresh_token");
    EXPECT_TRUE(requestsTo("/s/login/").empty()) << "the login page itself is never loaded";
    const auto doors = requestsTo("/gate/entry.vx");
    ASSERT_EQ(doors.size(), 1u);
    EXPECT_EQ(doors.front().param("returnTo"), "https://community.example.test/s/topic");
    const auto current = context->userAccountManager->currentUserAccount();
    ASSERT_NE(current, nullptr);
    EXPECT_NE(current->credentials()->accessToken, tokenBefore) << "the refreshed session signed the web view in";
}

TEST_F(HybridViewModelLoopbackTest, NoTokenReachesALogFileFailureLinesIncluded) {
    makeModel("/s/topic");
    webView->load(platform::HttpRequest(platform::Url::parse("https://community.example.test/s/topic").value()));
    ASSERT_TRUE(showsPage("/s/topic"));

    // Failures whose URL is a front door with the current token.
    const auto frontDoor = HybridViewOAuthCoordinator::generateFrontDoorURL("/s/topic", true, false).value();
    const auto offline = platform::makeURLError(platform::URLError::notConnectedToInternet, frontDoor.absoluteString());
    model->didFail(*webView, nullptr, offline);
    model->didFailProvisionalNavigation(*webView, nullptr, offline);
    model->handleOAuthResults("/s/topic", std::unexpected(veltrane::UserAccountManagerError::refreshFailed(offline)));
    // Lines that write such a URL whole.
    Logger::info("Handling " + frontDoor.absoluteString(), "CommunityHybridViewModel");
    Logger::error("Request failed: Authorization: Bearer " + *account->credentials()->accessToken, "NetworkService");

    const auto secrets = server.issuedTokens();
    ASSERT_GE(secrets.size(), 3u);
    const auto files = logFiles();
    ASSERT_FALSE(files.empty());
    bool sawFrontDoor = false;
    for (const auto& [path, text] : files) {
        EXPECT_EQ(findSecret(text, secrets), std::nullopt) << path;
        sawFrontDoor = sawFrontDoor || text.find("Handling https://community.example.test/gate/entry.vx?***") != std::string::npos;
    }
    EXPECT_TRUE(sawFrontDoor) << "the line itself was written, masked";
}

} // namespace
