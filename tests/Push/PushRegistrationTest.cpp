#include "VellicorApp/Push/PushRegistration.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace vellicor;

namespace {

class PushRegistrationTest : public apptest::AppTest {};

TEST_F(PushRegistrationTest, Decision) {
    struct Case {
        const char* name;
        bool selection;
        bool inAppPushCompleted;
        bool signedIn;
        bool delayUntilContactKey;
        std::optional<bool> delayed; // the Info.plist switch; none: missing
        bool expected;
        bool delayLogged;
    };
    const Case cases[] = {
        {"no entry, signed in", false, false, true, false, false, true, false},
        {"no entry, signed in, in-app prompt done", false, true, true, true, true, true, false},
        {"no entry, signed out", false, true, false, false, false, false, false},
        {"in-app prompt done", true, true, false, true, true, true, false},
        {"signed in, waits for contact key, not delayed", true, false, true, true, false, true, true},
        {"signed in, waits for contact key, delayed", true, false, true, true, true, false, true},
        {"signed in, waits for contact key, switch missing", true, false, true, true, std::nullopt, true, true},
        {"signed in, does not wait", true, false, true, false, false, false, false},
        {"signed out, does not wait, not delayed", true, false, false, false, false, true, true},
        {"signed out, does not wait, delayed", true, false, false, false, true, false, true},
        {"signed out, waits for contact key", true, false, false, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        const auto package = apptest::copyPackage([&c](platform::Json& info) {
            if (c.delayed) {
                info["DelayPushPermissionDialog"] = *c.delayed;
            } else {
                info.erase("DelayPushPermissionDialog");
            }
        });
        // The provisioning entry: one of the package's file, or no file at all.
        const auto file = package / "ZentariSDKConfiguration.json";
        if (c.selection) {
            auto entry = platform::parseJson(platform::readFile(file).value()).value()["production"];
            entry["delayregistrationuntilcontactkeyisset"] = c.delayUntilContactKey;
            ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(platform::serializeJson(entry))));
        } else {
            std::filesystem::remove(file);
        }
        const auto context = apptest::installContext(package);
        if (c.signedIn) apptest::signIn(*context);
        if (c.inAppPushCompleted) context->userDefaults->setBool("ZentariInAppPushCompleted", true);

        EXPECT_EQ(shouldRegisterForPushNotifications(*context->mainBundle), c.expected);

        std::vector<std::string> expectedLog;
        if (c.delayLogged) {
            expectedLog.push_back(!c.delayed ? "NSBundle: Push permission request delay status not found"
                                  : *c.delayed ? "NSBundle: Push Permission Request Delayed: true"
                                               : "NSBundle: Push Permission Request Delayed: false");
        }
        EXPECT_EQ(apptest::appLogTexts("INFO"), expectedLog);
    }
}

} // namespace
