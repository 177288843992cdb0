#include "VellicorApp/Hybrid/VQUserAccountManagerAdapter.hpp"

#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::veltrane::VQUserAccountManager;

namespace {

TEST(UserAccountManaging, ForwardsToTheSDKsManager) {
    const auto manager = VQUserAccountManager::sharedInstance();
    const auto adapter = VQUserAccountManagerAdapter::create(manager);
    adapter->setLoginHost("sandbox.example.test");
    EXPECT_EQ(manager->loginHost(), "sandbox.example.test");
    adapter->setOAuthClientID("client");
    EXPECT_EQ(manager->oauthClientId(), "client");
    adapter->setOAuthCompletionURL("vellicor://done");
    EXPECT_EQ(adapter->oauthCompletionURL(), "vellicor://done");
    EXPECT_EQ(adapter->currentUserAccount(), nullptr);
    EXPECT_EQ(adapter->currentUser(), nullptr);
}

TEST(UserAccountManaging, TheCSRFParameterIsAddedOnEveryCallAndRequestedOnce) {
    const auto manager = VQUserAccountManager::sharedInstance();
    manager->setAdditionalTokenRefreshParams({{"csrf_token", "FALSE"}, {"other", "1"}});
    const auto adapter = VQUserAccountManagerAdapter::create(manager);
    adapter->addAdditionalOAuthParams();
    adapter->addAdditionalOAuthParams();
    EXPECT_EQ(manager->additionalOAuthParameterKeys(), (std::vector<std::string>{"csrf_token", "csrf_token"}));
    EXPECT_EQ(manager->additionalTokenRefreshParams(),
              (std::map<std::string, std::string>{{"csrf_token", "TRUE"}, {"other", "1"}}));
}

TEST(UserAccountManaging, CancellingSignInStopsIt) {
    const auto manager = VQUserAccountManager::sharedInstance();
    VQUserAccountManagerAdapter::create(manager)->configureLoginCancellationBlock();
    const auto block = manager->authCancelledByUserHandlerBlock();
    ASSERT_TRUE(block);
    // Without a sign-in in progress (and without a main window) it does nothing harmful.
    block();
    testsupport::pump();
    EXPECT_FALSE(manager->isAuthenticating());
}

} // namespace
