#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"
#include "VellicorApp/Switching/ServiceProviderAppRowViewModel.hpp"
#include "tests/Switching/SwitchingTestSupport.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Run under ThreadSanitizer by scripts/test: the SDK may answer on threads of
// its own, and the list and the card must still hear every status on the
// main queue, in the order the statuses came.

namespace {

using namespace switchingtest;
using platform::veltrane::UserAccountManagerError;
using platform::veltrane::VQAuthSuccess;
using platform::veltrane::VQSPLoginError;
using platform::veltrane::VQSPLoginStatus;
using vellicor::ServiceProviderAppInfo;
using vellicor::ServiceProviderAppListViewModel;
using vellicor::ServiceProviderAppRowViewModel;
using vellicor::ServiceProviderAuthHandler;
using Status = vellicor::ServiceProviderAuthStatus;

class ServiceProviderStatusThreadsTest : public SwitchingTest {
protected:
    std::shared_ptr<platform::DispatchQueue> sdk = platform::DispatchQueue::makeSerial("test.sdk-callbacks");
};

TEST_F(ServiceProviderStatusThreadsTest, StatusesFromAWorkerThreadReachTheListOnTheMainQueueInOrder) {
    auto list = ServiceProviderAppListViewModel::create(
        {ServiceProviderAppInfo{"Companion", "companion-client", "companion://auth/success", "companion", ""}});
    // The flag as the list saw it each time the card heard a status.
    auto seen = std::make_shared<std::vector<bool>>();
    Statuses statuses;
    auto callback = statuses.callback();
    {
        auto row = ServiceProviderAppRowViewModel::create(0, list, ServiceProviderAuthHandler::create());
        row->loginButtonPressed([row, list, seen, callback](Status status) {
            seen->push_back(list->isAuthenticating.get());
            callback(status);
        });
    }
    testsupport::pump();
    ASSERT_EQ(accounts->pendingLogins.size(), 1u);

    // Nobody was signed in: the login completes on the SDK's thread, then
    // the flow reports there too, a status and then a failure.
    auto login = std::move(accounts->pendingLogins.front());
    auto account = hybridtest::makeAccount();
    sdk->async([this, login, account] {
        accounts->user = account;
        login(VQAuthSuccess{account, {}});
    });
    ASSERT_TRUE(testsupport::waitUntil([&] { return accounts->flowCount() == 1; }));
    const auto flow = accounts->flow();
    sdk->async([flow] {
        for (auto status : {VQSPLoginStatus::authCodeRequested, VQSPLoginStatus::authCodeReceived,
                            VQSPLoginStatus::serviceProviderOpened}) {
            flow.status(status);
        }
        flow.failure(VQSPLoginError::serviceProviderUnavailable);
    });
    sdk->sync([] {});
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return statuses.count() == 4;
    }));
    // The failure left the flag set: the next trip to the background finishes.
    enterBackground();
    testsupport::pump();

    EXPECT_EQ(statuses.list(),
              (std::vector<Status>{Status::running, Status::paused, Status::running, Status::stopped,
                                   Status::finished}));
    for (const auto& received : statuses.all()) EXPECT_TRUE(received.onMainThread);
    EXPECT_EQ(*seen, (std::vector<bool>{true, false, true, false, false}));
    EXPECT_FALSE(list->isAuthenticating.get());
}

} // namespace
