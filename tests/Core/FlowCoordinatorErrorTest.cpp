#include "VellicorApp/Core/FlowCoordinatorError.hpp"

#include "VellicorApp/Core/ParseableError.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class FlowCoordinatorErrorTest : public apptest::AppTest {};

struct Case {
    const char* name;
    FlowCoordinatorError error;
    FlowCoordinatorError::Case kind;
    long code;
    std::string english;  // with the sample localisation
    std::string untranslated; // with a localisation bundle that lacks the key
};

std::vector<Case> cases() {
    const platform::Error timedOut = platform::makeURLError(platform::URLError::timedOut);
    using E = FlowCoordinatorError;
    return {
        {"transport without error", E::transport(), E::Case::transport, 0, "UNKNOWN", "UNKNOWN"},
        {"transport with a platform error", E::transport(timedOut), E::Case::transport, 0,
         timedOut.localizedDescription(), timedOut.localizedDescription()},
        {"transport with a parse error", E::transport(ParseableError::missingConfig()), E::Case::transport, 0,
         "The configuration is missing.", "CONFIG_MISSING"},
        {"legacy without error", E::legacy(), E::Case::legacy, 1, "UNKNOWN", "UNKNOWN"},
        {"legacy with an error", E::legacy(platform::Error("D", 3, {{"NSLocalizedDescription", "It broke."}})),
         E::Case::legacy, 1, "It broke.", "It broke."},
        {"requires authentication", E::requiresAuthentication(), E::Case::requiresAuthentication, 2,
         "You need to log in first.", "AUTHENTICATION_REQUIRED"},
        {"requires web bootstrap", E::requiresWebBootstrap(), E::Case::requiresWebBootstrap, 3,
         "The community must finish loading before this action can run.", "REQUIRES_WEB_BOOTSTRAP"},
        {"switch not required", E::switchCommunityNotRequired(), E::Case::switchCommunityNotRequired, 4,
         "No community switch is needed.", "SWITCH_COMMUNITY_NOT_REQUIRED"},
        {"missing credentials", E::missingCredentialsForSessionRefresh(), E::Case::missingCredentialsForSessionRefresh, 5,
         "Your session can't be refreshed because your credentials aren't available.",
         "USER_CREDENTIALS_NOT_AVAILABLE_FOR_SESSION_REFRESH"},
        {"no tab bar", E::unavailableTabBarExperience(), E::Case::unavailableTabBarExperience, 6,
         "The tab bar isn't available.", "TAB_BAR_CONTROLLER_UNAVAILABLE"},
        {"invalid action is never translated", E::invalidAction(), E::Case::invalidAction, 7, "INVALID_ACTION",
         "INVALID_ACTION"},
    };
}

TEST_F(FlowCoordinatorErrorTest, DescriptionsKindsAndCodes) {
    apptest::installContext(apptest::sampleResources());
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.error.kind(), c.kind);
        EXPECT_EQ(localizedDescription(c.error), c.english);
        EXPECT_EQ(errorCode(c.error), c.code);
        const auto bridged = toPlatformError(c.error);
        EXPECT_EQ(bridged.domain, FlowCoordinatorError::kErrorDomain);
        EXPECT_EQ(bridged.code, c.code);
        EXPECT_TRUE(bridged.userInfo.empty());
    }
}

TEST_F(FlowCoordinatorErrorTest, UntranslatedKeysDescribeThemselves) {
    const auto package = apptest::copyPackage();
    ASSERT_TRUE(platform::writeFileAtomically(package / "MyVellicorLocalization.bundle/en.lproj/Localizable.strings",
                                              platform::dataFromString("/* nothing yet */\n")));
    apptest::installContext(package);
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(localizedDescription(c.error), c.untranslated);
    }
    EXPECT_TRUE(apptest::appLogTexts("ERROR").empty());
}

TEST_F(FlowCoordinatorErrorTest, PayloadsAreKept) {
    apptest::installContext(apptest::sampleResources());
    const auto transport = FlowCoordinatorError::transport(ParseableError::invalidRequestID());
    ASSERT_TRUE(transport.transportError());
    ASSERT_NE(transport.transportError()->as<ParseableError>(), nullptr);
    EXPECT_EQ(*transport.transportError()->as<ParseableError>(), ParseableError::invalidRequestID());
    EXPECT_EQ(transport.transportError()->as<platform::Error>(), nullptr);
    EXPECT_FALSE(transport.legacyError());

    const platform::Error error("D", 9);
    EXPECT_EQ(FlowCoordinatorError::legacy(error).legacyError(), error);
    EXPECT_FALSE(FlowCoordinatorError::invalidAction().transportError());
}

} // namespace
