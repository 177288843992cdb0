// The descriptions the app writes into its log lines (a signed-in account, a
// failed load, a failed sign-in) must name no token: log files leave the
// device. The failing URL of a load error, which may be a front door with
// the access token, stays in the error's user info only.

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace platform;
using namespace platform::veltrane;

constexpr const char* kAccessToken = "00D!AQ.access+secret/token";
constexpr const char* kRefreshToken = "5Aep-refresh-secret";
const std::string kFrontDoor = "https://c.test/gate/entry.vx?sid=00D%2521AQ.access&returnTo=%2Fs%2F";

TEST(TokenFreeDescription, AnAccountNamesOnlyItsUserAndOrg) {
    auto credentials = std::make_shared<VQOAuthCredentials>("00Dorg-005user", "client-id");
    credentials->userId = "005user";
    credentials->organizationId = "00Dorg";
    credentials->accessToken = kAccessToken;
    credentials->refreshToken = kRefreshToken;
    credentials->communityUrl = Url::parse("https://c.test/");
    const auto account = VQUserAccount::create(credentials);
    EXPECT_EQ(account->description(), "<VQUserAccount userId=005user orgId=00Dorg>");
}

TEST(TokenFreeDescription, ALoadErrorDescribesItselfWithThePlatformsTextOnly) {
    for (const long code : {URLError::cancelled, URLError::notConnectedToInternet, URLError::timedOut,
                            URLError::serverCertificateUntrusted}) {
        SCOPED_TRACE(code);
        const auto error = makeURLError(code, kFrontDoor);
        EXPECT_EQ(error.localizedDescription(), urlErrorDescription(code));
        EXPECT_EQ(error.localizedDescription().find("sid"), std::string::npos);
        EXPECT_EQ(error.userInfo.at(std::string(kErrorFailingURLStringKey)), kFrontDoor) << "kept for the app's checks";

        // A sign-in that failed on that load describes the load error the same way.
        for (const auto& failure : {UserAccountManagerError::loginFailed(error),
                                    UserAccountManagerError::refreshFailed(error),
                                    UserAccountManagerError::authenticationFailed(error)}) {
            const auto text = localizedDescription(failure);
            EXPECT_EQ(text.find("sid"), std::string::npos) << text;
            EXPECT_NE(text.find(urlErrorDescription(code)), std::string::npos) << text;
            EXPECT_EQ(asError(failure).localizedDescription().find("sid"), std::string::npos);
        }
    }
}

} // namespace
