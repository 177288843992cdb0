#pragma once

// Support for the App Center tests: the crash service's view of the previous
// run, set up the way the app meets it (a crash, a memory warning), and a
// signed-in user with identity data.

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace appcentertest {

/// A run that started the crash service crashed with a fatal error; the
/// next use of the service reads its record as the previous run's.
inline void crashPreviousRun(const std::string& message = "boom") {
    using platform::appcenter::MSACAppCenter;
    using platform::appcenter::MSACService;
    // The crashing run must write into this test's sandbox: a forked child
    // shares it, while a re-executed one would make a sandbox of its own.
    const auto style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_DEATH(
        {
            MSACAppCenter::start("secret", {MSACService::crashes});
            platform::fatalError(message);
        },
        message);
    GTEST_FLAG_SET(death_test_style, style);
    MSACAppCenter::resetForTesting();
}

/// The previous run received a memory warning.
inline void warnPreviousRunOfLowMemory() {
    platform::appcenter::MSACCrashes::receivedMemoryWarning();
    platform::appcenter::MSACAppCenter::resetForTesting();
}

/// Signs in the sample user (user id "005user") with identity data.
inline std::shared_ptr<platform::veltrane::VQUserAccount> signInWithIdentity(const vellicor::Context& context,
                                                                            const std::string& userId,
                                                                            const std::string& orgId,
                                                                            const std::string& email) {
    auto credentials = apptest::sampleCredentials();
    credentials->userId = userId;
    auto account = platform::veltrane::VQUserAccount::create(credentials);
    auto idData = std::make_shared<platform::veltrane::VQIdData>();
    idData->userId = userId;
    idData->orgId = orgId;
    idData->email = email;
    account->setIdData(idData);
    context.userAccountManager->setCurrentUserAccount(account);
    return account;
}

} // namespace appcentertest
