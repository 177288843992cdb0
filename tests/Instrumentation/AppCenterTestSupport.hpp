#pragma once

// Support for the App Center tests: the crash service's view of the previous
// run, set up the way the app meets it (a crash, a memory warning), and a
// signed-in user with identity data.

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "tests/Platform/SDKs/AppCenterCrashSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace appcentertest {

/// A run that started the crash service crashed with a fatal error.
inline void crashPreviousRun(const std::string& message = "boom") {
    crashPreviousRun([&message] { platform::fatalError(message); }, message.c_str());
}

/// The previous run received a memory warning.
inline void warnPreviousRunOfLowMemory() {
    platform::appcenter::MSACCrashes::receivedMemoryWarning();
    platform::appcenter::MSACAppCenter::resetForTesting();
}

/// Signs in a user of the sample community with these ids in both the
/// credentials and the identity data.
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
