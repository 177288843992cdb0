#include "VellicorApp/Switching/ServiceProviderAuthHandler.hpp"

#include "tests/Switching/SwitchingTestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace switchingtest;
using platform::veltrane::SPConfig;
using platform::veltrane::UserAccountManagerError;
using platform::veltrane::VQAuthSuccess;
using platform::veltrane::VQSPLoginError;
using platform::veltrane::VQSPLoginStatus;
using vellicor::ServiceProviderAuthHandler;
using Status = vellicor::ServiceProviderAuthStatus;

const SPConfig kConfig("companion-client", "companion://auth/success", {"api", "web", "refresh_token"},
                       "VELLICOR01.com.vellicor.sharedsso");

/// The handler's log lines at a level, each "ServiceProviderAuthHandler: <message>".
std::vector<std::string> handlerLines(const std::string& level) {
    std::vector<std::string> texts;
    for (const auto& line : apptest::appLogLines()) {
        if (line.level == level && line.className == "ServiceProviderAuthHandler") texts.push_back(line.text);
    }
    return texts;
}

class ServiceProviderAuthHandlerTest : public SwitchingTest {
protected:
    /// Answers the oldest waiting login of the account manager.
    void finishLogin(bool succeeded) {
        ASSERT_FALSE(accounts->pendingLogins.empty());
        auto completion = std::move(accounts->pendingLogins.front());
        accounts->pendingLogins.erase(accounts->pendingLogins.begin());
        if (succeeded) {
            signIn();
            completion(VQAuthSuccess{accounts->user, {}});
        } else {
            completion(std::unexpected(UserAccountManagerError::cancelled()));
        }
    }
    void sdkStatus(std::size_t flow = 0) { accounts->flow(flow).status(VQSPLoginStatus::authCodeRequested); }
    void sdkFailure(std::size_t flow = 0) {
        accounts->flow(flow).failure(VQSPLoginError::authCodeRequestFailed);
    }

    std::shared_ptr<ServiceProviderAuthHandler> handler = ServiceProviderAuthHandler::create();
    Statuses statuses;
};

TEST_F(ServiceProviderAuthHandlerTest, RoadsOfASignIn) {
    struct Case {
        const char* name;
        bool signedIn;
        std::function<void()> events;
        std::vector<Status> reported;
        std::size_t flowsStarted;
    };
    const Case cases[] = {
        {"signed in: the status, then the background reports finished once", true,
         [this] {
             sdkStatus();
             enterBackground();
             enterBackground();
         },
         {Status::finished}, 1},
        {"signed in: a background before any status reports nothing", true,
         [this] {
             enterBackground();
             sdkStatus();
             enterBackground();
         },
         {Status::finished}, 1},
        {"signed out, the login fails: paused, stopped, no flow", false, [this] { finishLogin(false); },
         {Status::paused, Status::stopped}, 0},
        {"signed out, the login succeeds: paused, running, then the flow", false,
         [this] {
             finishLogin(true);
             sdkStatus();
             enterBackground();
         },
         {Status::paused, Status::running, Status::finished}, 1},
        {"a status then a failure: stopped at once, finished at the next background", true,
         [this] {
             sdkStatus();
             sdkFailure();
             enterBackground();
         },
         {Status::stopped, Status::finished}, 1},
        {"two flows on one handler: one finished", true,
         [this] {
             handler->begin(kConfig, statuses.callback());
             sdkStatus(1);
             enterBackground();
         },
         {Status::finished}, 2},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        accounts->user = nullptr;
        accounts->pendingLogins.clear();
        accounts->dropFlows();
        handler = ServiceProviderAuthHandler::create();
        statuses = Statuses{};
        if (item.signedIn) signIn();
        handler->begin(kConfig, statuses.callback());
        item.events();
        testsupport::pump();
        EXPECT_EQ(statuses.list(), item.reported);
        EXPECT_EQ(accounts->flowCount(), item.flowsStarted);
        if (item.flowsStarted > 0) {
            EXPECT_EQ(accounts->flow().config, kConfig);
        }
    }
}

TEST_F(ServiceProviderAuthHandlerTest, LogLinesNameTheConfigurationTheStatusAndTheErrors) {
    handler->begin(kConfig, statuses.callback());
    finishLogin(false);
    signIn();
    handler->begin(kConfig, statuses.callback());
    sdkStatus();
    sdkFailure();
    EXPECT_EQ(handlerLines("INFO"),
              (std::vector<std::string>{"ServiceProviderAuthHandler: Performing login: " + kConfig.description(),
                                        "ServiceProviderAuthHandler: IDP login flow success: authCodeRequested"}));
    const auto errors = handlerLines("ERROR");
    ASSERT_EQ(errors.size(), 2u);
    const std::string loginFailed = "ServiceProviderAuthHandler: Login failed before SP App Login: ";
    EXPECT_TRUE(errors[0].starts_with(loginFailed)) << errors[0];
    EXPECT_GT(errors[0].size(), loginFailed.size()) << "the error's text follows";
    EXPECT_EQ(errors[1], "ServiceProviderAuthHandler: Login failed IDP auth flow: authCodeRequestFailed");
}

TEST_F(ServiceProviderAuthHandlerTest, ANewBeginClearsAnEarlierStatus) {
    signIn();
    handler->begin(kConfig, statuses.callback());
    sdkStatus();
    handler->begin(kConfig, statuses.callback());
    enterBackground();
    EXPECT_TRUE(statuses.list().empty());
}

TEST_F(ServiceProviderAuthHandlerTest, AGoneHandlerDropsLoginsAndStatusesButStillReportsFailures) {
    // The login's answer finds no handler: nothing, and no flow.
    handler->begin(kConfig, statuses.callback());
    handler.reset();
    finishLogin(true);
    EXPECT_EQ(statuses.list(), std::vector<Status>{Status::paused});
    EXPECT_EQ(accounts->flowCount(), 0u);

    // A flow whose handler went: its status is dropped, its failure still
    // reaches the callback.
    handler = ServiceProviderAuthHandler::create();
    handler->begin(kConfig, statuses.callback());
    handler.reset();
    sdkStatus();
    enterBackground();
    sdkFailure();
    EXPECT_EQ(statuses.list(), (std::vector<Status>{Status::paused, Status::stopped}));
    EXPECT_TRUE(handlerLines("INFO").size() == 1u) << "only the flow's start is logged";
}

} // namespace
