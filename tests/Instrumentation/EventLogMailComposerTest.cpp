#include "VellicorApp/Instrumentation/EventLogMailComposer.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "tests/Instrumentation/AppCenterTestSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

using namespace vellicor;
using platform::veltrane::UIDevice;
using platform::veltrane::VQSDKNetworkStatus;
using platform::veltrane::VQSDKReachability;

namespace {

constexpr const char* kContactUUID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
// 2024-05-01 14:05:09 GMT.
constexpr platform::TimeInterval kMailTime = 1'714'572'309.0;

class EventLogMailComposerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UIDevice::setPlatform("iPhone14,2");
        testsupport::clock()->set(kMailTime);
    }
    void TearDown() override {
        UIDevice::resetForTesting();
        VQSDKReachability::resetForTesting();
    }

    std::shared_ptr<Context> install(const std::function<void(platform::Json&)>& edit = {}) {
        context = apptest::installContext(edit);
        return context;
    }
    MailModel compose(std::optional<FeedbackPayload> payload) const {
        return EventLogMailComposer(context->mainBundle, *platform::Uuid::fromString(kContactUUID), std::move(payload))
            .mailModel();
    }

    std::shared_ptr<Context> context;
};

TEST_F(EventLogMailComposerTest, ComposesTheWholeMailOfASignedInUsersFeedback) {
    install();
    appcentertest::signInWithIdentity(*context, "005ab0cdef12345xyz", "00Dorg", "alice@example.test");

    const auto mail = compose(FeedbackPayload{{"Slow", "Crashes"}, "It froze 005ab0cdef12345xyz", true});

    EXPECT_EQ(mail.mailTo, std::vector<std::string>{"feedback@vellicor.example.test"});
    EXPECT_FALSE(mail.mailCc);
    EXPECT_FALSE(mail.mailBcc);
    // 14:05:09 on the 12-hour clock, without a marker.
    EXPECT_EQ(mail.subject, "Vellicor Log Report 20240501020509");
    EXPECT_EQ(mail.body,
              "** MOBILE SOLVANE FEEDBACK CONTEXT **\n"
              "Comment Text: It froze 005ab0cdef12345xyz\n"
              "Related Options: [\"Slow\", \"Crashes\"]\n"
              "Contact for research: true\n"
              "App Name: Vellicor\n"
              "\n** USER CONTEXT **\n"
              "Email: alice@example.test\n"
              "User ID: [...12345]\n"
              "Org ID: 00Dorg\n"
              "\n** DEVICE CONTEXT **\n"
              "Platform: iOS\n"
              "Build: 1.0.0 \n"
              "Device: iPhone\n"
              "OS Version: 17.0\n"
              "Crash: No\n"
              "Received memory warning: No\n"
              "Device Language: en\n"
              "Network: WIFI\n"
              "Bundle ID: com.vellicor.app\n"
              "LogLink: https://appcenter.example.test/orgs/Vellicor/apps/Vellicor-iOS/crashes/search?q=" +
                  std::string(kContactUUID) + "&filter=\n");
}

std::string section(const std::string& body, const std::string& heading) {
    const auto start = body.find(heading);
    if (start == std::string::npos) return "<no " + heading + ">";
    const auto end = body.find("\n\n", start);
    return body.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

TEST_F(EventLogMailComposerTest, WritesTheFeedbackBlockOfAPayloadOrOfNone) {
    struct Case {
        const char* name;
        std::optional<FeedbackPayload> payload;
        std::string expected;
    };
    const Case cases[] = {
        {"no payload", std::nullopt, "** MOBILE SOLVANE FEEDBACK CONTEXT **\nComment Text: \n"},
        {"default payload", FeedbackPayload{},
         "** MOBILE SOLVANE FEEDBACK CONTEXT **\nComment Text: \nRelated Options: []\nContact for research: false\n"
         "App Name: Vellicor\n"},
        {"one option", FeedbackPayload{{"Other"}, "hi", false},
         "** MOBILE SOLVANE FEEDBACK CONTEXT **\nComment Text: hi\nRelated Options: [\"Other\"]\n"
         "Contact for research: false\nApp Name: Vellicor\n"},
    };
    install();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto body = compose(c.payload).body.value_or("");
        EXPECT_EQ(body.substr(0, body.find("\n** USER CONTEXT **")), c.expected);
    }
}

TEST_F(EventLogMailComposerTest, WritesTheUserBlockSignedInOrOut) {
    struct Case {
        const char* name;
        std::function<void(const Context&)> signIn;
        std::string expected;
    };
    const Case cases[] = {
        {"signed out", [](const Context&) {},
         "** USER CONTEXT **\nEmail: N/A\nUser ID: N/A\nOrg ID: N/A\n"},
        {"signed in, 15-character id masked",
         [](const Context& c) { appcentertest::signInWithIdentity(c, "005xx0yyyy98765", "00Dorg", "bob@example.test"); },
         "** USER CONTEXT **\nEmail: bob@example.test\nUser ID: [...98765]\nOrg ID: 00Dorg\n"},
        {"signed in, id of another form unchanged",
         [](const Context& c) { appcentertest::signInWithIdentity(c, "0US000000000001", "00Dorg", "a@example.test"); },
         "** USER CONTEXT **\nEmail: a@example.test\nUser ID: 0US000000000001\nOrg ID: 00Dorg\n"},
        {"signed in without identity data", [](const Context& c) { apptest::signIn(c); },
         "** USER CONTEXT **\nEmail: \nUser ID: 005user\nOrg ID: \n"},
        {"signed in, credentials without a user id",
         [](const Context& c) {
             auto credentials = apptest::sampleCredentials();
             credentials->userId.reset();
             c.userAccountManager->setCurrentUserAccount(platform::veltrane::VQUserAccount::create(credentials));
         },
         "** USER CONTEXT **\nEmail: \nUser ID: N/A\nOrg ID: \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        install();
        c.signIn(*context);
        EXPECT_EQ(section(compose(FeedbackPayload{}).body.value_or(""), "** USER CONTEXT **"), c.expected);
        context->userAccountManager->setCurrentUserAccount(nullptr);
    }
}

TEST_F(EventLogMailComposerTest, WritesTheDeviceBlockOfThePreviousRunAndTheNetwork) {
    struct Case {
        const char* name;
        bool crashed;
        bool memoryWarning;
        std::optional<VQSDKNetworkStatus> interface; // none: offline
        std::string crashLine;
        std::string memoryLine;
        std::string networkLine;
    };
    const Case cases[] = {
        {"a clean run on Wi-Fi", false, false, VQSDKNetworkStatus::reachableViaWiFi, "Crash: No",
         "Received memory warning: No", "Network: WIFI"},
        {"after a crash, offline", true, false, std::nullopt, "Crash: Yes", "Received memory warning: No",
         "Network: No Connection"},
        {"after a memory warning, cellular", false, true, VQSDKNetworkStatus::reachableViaWWAN, "Crash: No",
         "Received memory warning: Yes", "Network: Cellular"},
        {"after both", true, true, VQSDKNetworkStatus::reachableViaWiFi, "Crash: Yes",
         "Received memory warning: Yes", "Network: WIFI"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        install();
        if (c.crashed) appcentertest::crashPreviousRun();
        if (c.memoryWarning) appcentertest::warnPreviousRunOfLowMemory();
        platform::Reachability::setOffline(!c.interface);
        if (c.interface) VQSDKReachability::setActiveInterface(*c.interface);

        const auto body = compose(std::nullopt).body.value_or("");
        EXPECT_NE(body.find("\n" + c.crashLine + "\n"), std::string::npos) << body;
        EXPECT_NE(body.find("\n" + c.memoryLine + "\n"), std::string::npos) << body;
        EXPECT_NE(body.find("\n" + c.networkLine + "\n"), std::string::npos) << body;
    }
    platform::Reachability::setOffline(false);
}

TEST(EventLogMailNetwork, NamesTheReachabilityStatus) {
    const std::pair<std::optional<int>, const char*> cases[] = {
        {0, "No Connection"}, {1, "WIFI"}, {2, "Cellular"}, {7, "Cellular"}, {std::nullopt, "Cellular"},
    };
    for (const auto& [status, expected] : cases) {
        SCOPED_TRACE(status ? std::to_string(*status) : "none");
        EXPECT_EQ(networkDescription(status), expected);
    }
}

TEST_F(EventLogMailComposerTest, LeavesOutWhatTheConfigurationLacks) {
    struct Case {
        const char* name;
        std::function<void(platform::Json&)> edit;
        std::string subjectStart;
        std::optional<std::string> logLink; // none: no LogLink line
        std::string bundleLine;
        std::vector<std::string> mailTo;
    };
    const Case cases[] = {
        {"no App Center app name",
         [](platform::Json& info) { info.erase("AppCenterLiveAppName"); }, "Vellicor Log Report ", std::nullopt,
         "Bundle ID: com.vellicor.app", {"feedback@vellicor.example.test"}},
        {"another App Center app name",
         [](platform::Json& info) { info["AppCenterLiveAppName"] = "Other-App"; }, "Vellicor Log Report ",
         "LogLink: https://appcenter.example.test/orgs/Vellicor/apps/Other-App/crashes/search?q=" +
             std::string(kContactUUID) + "&filter=",
         "Bundle ID: com.vellicor.app", {"feedback@vellicor.example.test"}},
        {"no display name, bundle id or recipient",
         [](platform::Json& info) {
             info.erase("CFBundleDisplayName");
             info.erase("CFBundleIdentifier");
             info.erase("FeedbackMailRecipient");
         },
         "N/A Log Report ",
         "LogLink: https://appcenter.example.test/orgs/Vellicor/apps/Vellicor-iOS/crashes/search?q=" +
             std::string(kContactUUID) + "&filter=",
         "Bundle ID: N/A", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        install(c.edit);
        const auto mail = compose(FeedbackPayload{});
        EXPECT_TRUE(mail.subject.value_or("").starts_with(c.subjectStart)) << *mail.subject;
        const auto body = mail.body.value_or("");
        EXPECT_EQ(body.find("LogLink: ") != std::string::npos, c.logLink.has_value());
        if (c.logLink) {
            EXPECT_TRUE(body.ends_with("\n" + *c.logLink + "\n")) << body;
        }
        EXPECT_NE(body.find("\n" + c.bundleLine + "\n"), std::string::npos) << body;
        EXPECT_EQ(mail.mailTo, c.mailTo);
    }
}

TEST_F(EventLogMailComposerTest, DatesTheSubjectWithTheDevicesCalendar) {
    install();
    // A locale whose calendar counts years differently (Buddhist era: 2024 is 2567).
    UIDevice::setCurrentLocale("th-TH-u-nu-latn");
    EXPECT_EQ(compose(std::nullopt).subject, "Vellicor Log Report 25670501020509");
    UIDevice::setCurrentLocale("en-US");
    EXPECT_EQ(compose(std::nullopt).subject, "Vellicor Log Report 20240501020509");
}

} // namespace
