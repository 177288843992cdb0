#pragma once

// Support for the page-bridge tests: a running context over a fake account
// manager, script messages as a frame of a page posts them, and a recorder of
// the replies a page receives.

#include "VellicorApp/Core/UserAccountManaging.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Web/ScriptMessage.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hybridtest {

/// An account manager that signs nobody in by itself: the test sets the
/// user and the login host, and sees every call.
class FakeUserAccountManager : public vellicor::UserAccountManaging {
public:
    std::shared_ptr<platform::veltrane::VQUserAccount> currentUserAccount() const override { return user; }
    void setCurrentUserAccount(std::shared_ptr<platform::veltrane::VQUserAccount> account) override {
        user = std::move(account);
    }
    std::string oauthClientID() const override { return "client-id"; }
    void setOAuthClientID(std::string) override {}
    std::string oauthCompletionURL() const override { return "vellicor://auth/success"; }
    void setOAuthCompletionURL(std::string) override {}
    std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig> loginViewControllerConfig() const override {
        return nullptr;
    }
    void setLoginViewControllerConfig(std::shared_ptr<platform::veltrane::VQSDKLoginViewControllerConfig>) override {}
    std::string loginHost() const override { return host; }
    void setLoginHost(std::string value) override { host = std::move(value); }
    void stopCurrentAuthentication(std::function<void(bool)> completion) override {
        if (completion) completion(false);
    }
    void addAdditionalOAuthParams() override {}
    void configureLoginCancellationBlock() override {}
    void configureLoginView() override {}
    void logout() override {
        calls.push_back("logout");
        user = nullptr;
    }
    bool login(platform::veltrane::VQAuthCompletion completion) override {
        calls.push_back("login");
        pendingLogins.push_back(std::move(completion));
        return true;
    }
    bool refresh(std::shared_ptr<platform::veltrane::VQOAuthCredentials>,
                 platform::veltrane::VQAuthCompletion completion) override {
        calls.push_back("refresh");
        pendingLogins.push_back(std::move(completion));
        return true;
    }
    bool handleIdentityProviderCommand(const platform::Url&, const platform::Json&,
                                       platform::veltrane::VQAuthCompletion) override {
        return false;
    }
    void kickOffIDPInitiatedLoginFlow(const platform::veltrane::SPConfig&,
                                      std::function<void(platform::veltrane::VQSPLoginStatus)>,
                                      std::function<void(platform::veltrane::VQSPLoginError)>) override {}

    std::shared_ptr<platform::veltrane::VQUserAccount> user;
    std::string host = "community.example.test";
    std::vector<std::string> calls;
    std::vector<platform::veltrane::VQAuthCompletion> pendingLogins;
};

/// A user of the sample community whose API and instance live on hosts of their own.
inline std::shared_ptr<platform::veltrane::VQUserAccount> makeAccount() {
    auto credentials = apptest::sampleCredentials();
    credentials->apiInstanceUrl = platform::Url::parse("https://api.example.test");
    credentials->instanceUrl = platform::Url::parse("https://instance.example.test");
    return platform::veltrane::VQUserAccount::create(std::move(credentials));
}

/// A message as a frame of a page at `frameURL` posts it.
inline platform::web::ScriptMessage message(const std::string& name, platform::Json body = platform::Json::object(),
                                            const std::string& frameURL = "https://community.example.test/s/",
                                            bool isMainFrame = true,
                                            const std::shared_ptr<platform::web::WebView>& webView = nullptr) {
    const auto url = platform::Url::parse(frameURL).value();
    platform::web::ScriptMessage message;
    message.name = name;
    message.body = std::move(body);
    message.frameInfo = platform::web::FrameInfo{isMainFrame, platform::HttpRequest(url),
                                                 platform::web::SecurityOrigin::of(url), webView};
    message.world = platform::web::ContentWorld::page();
    message.webView = webView;
    return message;
}

/// The replies a page received, each with whether it came on the main thread.
struct Replies {
    struct Reply {
        std::optional<platform::Json> value;
        std::optional<std::string> error;
        bool onMainThread = false;
    };
    std::shared_ptr<std::vector<Reply>> received = std::make_shared<std::vector<Reply>>();

    platform::web::ScriptReplyHandler handler() const {
        return [received = received](std::optional<platform::Json> value, std::optional<std::string> error) {
            received->push_back(Reply{std::move(value), std::move(error), platform::MainQueue::isMainThread()});
        };
    }
    std::size_t count() const { return received->size(); }
    const Reply& only() const {
        EXPECT_EQ(received->size(), 1u);
        return received->front();
    }
};

/// A context over the sample package and a fake account manager.
class HybridTest : public apptest::AppTest {
protected:
    void SetUp() override {
        accounts = std::make_shared<FakeUserAccountManager>();
        context = makeContext(apptest::FakeBundle::sample());
        vellicor::AppContext::setStackForTesting({context});
    }

    /// A context over the fake account manager and an app configuration.
    std::shared_ptr<vellicor::Context> makeContext(std::shared_ptr<vellicor::BundleType> bundle) const {
        vellicor::Context::Dependencies dependencies;
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = vellicor::UserDefaultsStore::standard();
        dependencies.mainBundle = std::move(bundle);
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        return vellicor::Context::create(std::move(dependencies));
    }

    std::shared_ptr<FakeUserAccountManager> accounts;
    std::shared_ptr<vellicor::Context> context;
};

} // namespace hybridtest
