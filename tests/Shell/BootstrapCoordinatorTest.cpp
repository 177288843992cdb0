#include "VellicorApp/Shell/BootstrapCoordinator.hpp"

#include "VellicorApp/Shell/LoginViewController.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/AppAccountFixture.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

using namespace vellicor;
namespace veltrane = platform::veltrane;

namespace {

/// An account manager that keeps the OAuth settings and the login
/// configuration it is given, and answers a refresh only when the test says
/// so, from a thread of its own as the SDK does.
class RecordingAccountManager : public hybridtest::FakeUserAccountManager {
public:
    std::string oauthClientID() const override { return clientID; }
    void setOAuthClientID(std::string value) override { clientID = std::move(value); }
    std::string oauthCompletionURL() const override { return completionURL; }
    void setOAuthCompletionURL(std::string value) override { completionURL = std::move(value); }
    std::shared_ptr<veltrane::VQSDKLoginViewControllerConfig> loginViewControllerConfig() const override {
        return loginConfig;
    }
    void setLoginViewControllerConfig(std::shared_ptr<veltrane::VQSDKLoginViewControllerConfig> config) override {
        loginConfig = std::move(config);
    }

    /// Answers the pending refresh from a new thread and waits for that thread.
    void answerFromWorker(veltrane::VQAuthResult result) {
        ASSERT_EQ(pendingLogins.size(), 1u);
        auto completion = std::move(pendingLogins.front());
        pendingLogins.clear();
        std::atomic<bool> onMain{true};
        std::thread worker([&] {
            onMain = platform::MainQueue::isMainThread();
            completion(std::move(result));
            completion = nullptr; // released on the worker, as the SDK does
        });
        worker.join();
        EXPECT_FALSE(onMain);
    }

    std::string clientID = "previous-client";
    std::string completionURL = "previous://redirect";
    std::shared_ptr<veltrane::VQSDKLoginViewControllerConfig> loginConfig =
        veltrane::VQSDKLoginViewControllerConfig::create();
};

/// The step's own log lines at a level.
std::vector<std::string> logs(const char* level) {
    std::vector<std::string> found;
    for (const auto& text : apptest::appLogTexts(level)) {
        if (text.starts_with("BootstrapCoordinator: ")) found.push_back(text);
    }
    return found;
}

class BootstrapCoordinatorTest : public apptest::AppTest {
protected:
    void SetUp() override {
        platform::Bundle::setMainBundlePath(apptest::sampleResources());
        useContext(apptest::sampleResources());
        Logger::configureLogLevel();
    }
    void TearDown() override {
        // A step the test let go of must not keep the context alive.
        testsupport::pump();
        apptest::AppTest::TearDown();
    }

    void useContext(const std::filesystem::path& package) {
        platform::Bundle::setMainBundlePath(package);
        Context::Dependencies dependencies;
        dependencies.veltraneSDKManager =
            VeltraneSDKManagerAdapter::create(veltrane::VeltraneSDKManager::sharedManager());
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = UserDefaultsStore::standard();
        dependencies.mainBundle = ApplicationBundle::create(platform::Bundle::atPath(package));
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        context = Context::create(std::move(dependencies));
        AppContext::setStackForTesting({context});
    }

    /// Starts a step and records how it ends.
    void start(AppMode mode, bool refresh) {
        ended.clear();
        step = BootstrapCoordinator::create(mode, refresh);
        step->start([this](const std::optional<FlowCoordinatorError>& error) { ended.push_back(error); });
    }

    std::shared_ptr<RecordingAccountManager> accounts = std::make_shared<RecordingAccountManager>();
    std::shared_ptr<Context> context;
    std::shared_ptr<BootstrapCoordinator> step;
    std::vector<std::optional<FlowCoordinatorError>> ended;
};

TEST_F(BootstrapCoordinatorTest, HandsTheSDKTheBootConfigurationAndTheAppsLoginScreen) {
    start(AppMode::normal, false);

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    const auto boot = context->veltraneSDKManager->bootConfig();
    ASSERT_TRUE(boot);
    EXPECT_EQ(boot->remoteAccessConsumerKey(), "vellicor-community-client");
    EXPECT_FALSE(boot->shouldAuthenticate()) << "the package asks for it; the step turns it off";
    EXPECT_EQ(accounts->clientID, "vellicor-community-client");
    EXPECT_EQ(accounts->completionURL, "vellicor://auth/success");

    // Each login screen is a new one of the app's own.
    ASSERT_TRUE(accounts->loginConfig->loginViewControllerCreationBlock);
    const auto first = accounts->loginConfig->loginViewControllerCreationBlock();
    const auto second = accounts->loginConfig->loginViewControllerCreationBlock();
    EXPECT_TRUE(std::dynamic_pointer_cast<LoginViewController>(first));
    EXPECT_NE(first, second);

    // Without a login configuration the step makes one.
    accounts->loginConfig = nullptr;
    start(AppMode::normal, false);
    ASSERT_TRUE(accounts->loginConfig);
    EXPECT_TRUE(accounts->loginConfig->loginViewControllerCreationBlock);
}

TEST_F(BootstrapCoordinatorTest, WithoutABootConfigurationTheClientSettingsAreEmptied) {
    const auto package = apptest::copyPackage();
    std::filesystem::remove(package / "bootconfig.json");
    useContext(package);
    context->veltraneSDKManager->setBootConfig(veltrane::VQHybridViewConfig::create(
        platform::Json{{"remoteAccessConsumerKey", "stale"}, {"shouldAuthenticate", true}}));

    start(AppMode::normal, true); // nobody signed in: no refresh either

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    EXPECT_EQ(context->veltraneSDKManager->bootConfig(), nullptr);
    EXPECT_EQ(accounts->clientID, "");
    EXPECT_EQ(accounts->completionURL, "");
    EXPECT_TRUE(accounts->calls.empty());
}

TEST_F(BootstrapCoordinatorTest, RefreshesOnlyASignedInUserWhenAsked) {
    struct Case {
        const char* name;
        bool signedIn;
        bool withCredentials;
        bool refresh;
        bool refreshes;
        bool missingCredentials;
    };
    const Case cases[] = {
        {"signed out, refresh asked", false, false, true, false, false},
        {"signed in, refresh not asked", true, true, false, false, false},
        {"signed in without credentials, refresh not asked", true, false, false, false, false},
        {"signed in without credentials, refresh asked", true, false, true, false, true},
        {"signed in, refresh asked", true, true, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        accounts->calls.clear();
        accounts->pendingLogins.clear();
        accounts->user = !c.signedIn         ? nullptr
                         : c.withCredentials ? veltrane::VQUserAccount::create(apptest::sampleCredentials())
                                             : veltrane::VQUserAccount::create(nullptr);
        start(AppMode::normal, c.refresh);
        testsupport::pump();

        EXPECT_EQ(accounts->calls, c.refreshes ? std::vector<std::string>{"refresh"} : std::vector<std::string>{});
        if (c.refreshes) {
            EXPECT_TRUE(ended.empty()) << "waits for the answer";
            continue;
        }
        ASSERT_EQ(ended.size(), 1u);
        if (c.missingCredentials) {
            ASSERT_TRUE(ended[0]);
            EXPECT_EQ(ended[0]->kind(), FlowCoordinatorError::Case::missingCredentialsForSessionRefresh);
            EXPECT_EQ(localizedDescription(*ended[0]),
                      "Your session can't be refreshed because your credentials aren't available.");
        } else {
            EXPECT_FALSE(ended[0]);
        }
    }
}

TEST_F(BootstrapCoordinatorTest, ARefreshAnsweredOnAWorkerThreadEndsTheStepOnTheMainQueue) {
    const auto before = veltrane::VQUserAccount::create(apptest::sampleCredentials());
    const auto after = veltrane::VQUserAccount::create(apptest::sampleCredentials());
    accounts->user = before;
    start(AppMode::normal, true);
    std::weak_ptr<BootstrapCoordinator> weakStep = step;
    step.reset(); // the owner lets go; the pending refresh keeps the step

    accounts->answerFromWorker(veltrane::VQAuthSuccess{after, veltrane::VQOAuthInfo(veltrane::VQOAuthType::refresh)});
    EXPECT_TRUE(ended.empty()) << "nothing happens off the main queue";
    EXPECT_EQ(accounts->user, before);
    EXPECT_FALSE(weakStep.expired());

    testsupport::pump();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    EXPECT_EQ(accounts->user, after) << "the refreshed account is the current one";
    EXPECT_TRUE(weakStep.expired()) << "released once answered";
    EXPECT_EQ(logs("INFO").back(), "BootstrapCoordinator: Successfully performed proactive auth session refresh");
    EXPECT_TRUE(logs("ERROR").empty());
}

TEST_F(BootstrapCoordinatorTest, AFailedRefreshIsLoggedAndTheStepStillEndsWithoutError) {
    const auto user = veltrane::VQUserAccount::create(apptest::sampleCredentials());
    accounts->user = user;
    start(AppMode::normal, true);

    const auto error = veltrane::UserAccountManagerError::refreshFailed(platform::Error("NSURLErrorDomain", -1009));
    accounts->answerFromWorker(std::unexpected(error));
    testsupport::pump();

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    EXPECT_EQ(accounts->user, user) << "the account is kept";
    EXPECT_EQ(logs("ERROR"), (std::vector<std::string>{"BootstrapCoordinator: Failed to perform proactive auth "
                                                       "session refresh: " +
                                                       veltrane::localizedDescription(error)}));
}

/// The same step over the SDK's own account manager and the loopback community.
class BootstrapCoordinatorSDKTest : public apptest::AppAccountFixture {
protected:
    void SetUp() override {
        AppAccountFixture::SetUp();
        // The client the package's boot configuration names.
        server.registerClient("vellicor-community-client", {veltranetest::kRedirectUri});
    }

    void runStep() {
        step = BootstrapCoordinator::create(AppMode::normal, true);
        step->start([this](const std::optional<FlowCoordinatorError>& error) { ended.push_back(error); });
        step.reset();
        ASSERT_TRUE(testsupport::waitUntil([&] { return !ended.empty(); }));
        testsupport::pump();
    }

    std::shared_ptr<BootstrapCoordinator> step;
    std::vector<std::optional<FlowCoordinatorError>> ended;
};

TEST_F(BootstrapCoordinatorSDKTest, RefreshesTheSignedInSessionThroughTheSDK) {
    const auto account = signIn();
    ASSERT_TRUE(account);
    const auto oldToken = account->credentials()->accessToken;
    testsupport::advance(60);

    runStep();

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    const auto current = context->userAccountManager->currentUser();
    ASSERT_TRUE(current);
    EXPECT_NE(current->credentials()->accessToken, oldToken);
    EXPECT_EQ(logs("INFO"), (std::vector<std::string>{
                                "BootstrapCoordinator: Successfully performed proactive auth session refresh"}));
}

TEST_F(BootstrapCoordinatorSDKTest, ARevokedSessionIsLoggedAndTheChainGoesOn) {
    ASSERT_TRUE(signIn());
    server.revokeRefreshTokens();

    runStep();

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_FALSE(ended[0]);
    const auto errors = logs("ERROR");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("BootstrapCoordinator: Failed to perform proactive auth session refresh: "))
        << errors[0];
}

} // namespace
