#include "VellicorApp/Push/ZentariPushManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"
#include "Platform/System/BackgroundTaskScheduler.hpp"
#include "Platform/UI/Application.hpp"
#include "tests/Push/PushTestSupport.hpp"

#include <gtest/gtest.h>

#include <regex>

using namespace vellicor;
using platform::Json;
using pushtest::entryJson;

namespace {

class ZentariPushManagerTest : public pushtest::PushTest {
protected:
    std::shared_ptr<ZentariPushManager> make(const Json& provisioning) {
        return ZentariPushManager::create(writeProvisioning(provisioning), sdk);
    }
    static bool info(const std::string& text) { return pushtest::logged("INFO", "ZentariPushManager: " + text); }
};

TEST_F(ZentariPushManagerTest, WithoutAnEntryThereIsNoManagerAndNoPrompt) {
    EXPECT_EQ(ZentariPushManager::create(writeProvisioning(Json{{"Sandbox", entryJson("s", false)}}), sdk), nullptr);
    EXPECT_EQ(ZentariPushManager::create(std::nullopt, sdk), nullptr);
    EXPECT_TRUE(sdk->takeCalls().empty());
    const auto lines = apptest::appLogTexts("INFO");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("Zentari configuration not found. Skipping Zentari "
                                                 "initialization/registration") != std::string::npos;
                            }),
              2);
}

TEST_F(ZentariPushManagerTest, TheFirstRegistrationSetsTheGuestKeyUnlessRegistrationWaitsForOne) {
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    const struct {
        const char* name;
        bool delay;
        std::optional<std::string> storedGuest;
    } cases[] = {
        {"no stored guest key", false, std::nullopt},
        {"a stored guest key", false, "guest-1"},
        {"registration waits for a contact key", true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context->userDefaults->removeObject(ZentariPushManager::kGuestUserKey);
        if (c.storedGuest) context->userDefaults->setObject(ZentariPushManager::kGuestUserKey, Json(*c.storedGuest));
        takeInteractionNames();
        const auto manager = make(entryJson("app", c.delay));
        ASSERT_NE(manager, nullptr);
        EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"initialize app"});
        sdk->finishSetUp();

        const auto guest = context->userDefaults->stringForKey(ZentariPushManager::kGuestUserKey);
        std::vector<std::string> expected;
        if (c.delay) {
            EXPECT_EQ(guest, std::nullopt);
        } else {
            ASSERT_TRUE(guest.has_value());
            if (c.storedGuest) EXPECT_EQ(guest, c.storedGuest);
            else EXPECT_TRUE(std::regex_match(*guest, uuid)) << *guest;
            expected.push_back("setProfileId " + *guest);
        }
        for (const char* call : {"startWatchingLocation", "setURLHandlingDelegate", "setEventDelegate"}) {
            expected.push_back(call);
        }
        EXPECT_EQ(sdk->takeCalls(), expected);
        auto names = takeInteractionNames();
        EXPECT_EQ(names.front(), KORVAMarkerName::zentariInitialized);
        EXPECT_EQ(names.size(), c.delay ? 1u : 2u) << "a guest key logs whose key it is";
        EXPECT_TRUE(info(std::string("Delay Registration Until Contact Key is set = ") + (c.delay ? "true" : "false")));
    }
}

TEST_F(ZentariPushManagerTest, AFailedSetUpLogsAndRaisesTheErrorMarkerOnly) {
    sdk->failure = zentariBuildConfigError();
    const auto manager = make(entryJson("app", false));
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"initialize app"});
    ASSERT_EQ(markers->errors.size(), 1u);
    EXPECT_EQ(markers->errors[0].name, KORVAMarkerName::zentariInitializationFailed);
    EXPECT_EQ(markers->errors[0].type, KORVAErrorType::error);
    EXPECT_TRUE(pushtest::logged("ERROR", "ZentariPushManager: Failed to configure Zentari with error = "
                                          "The marketing notifications could not be configured."));
}

TEST_F(ZentariPushManagerTest, ACommunitySwitchSetsTheSDKUpAgainForTheNewEntry) {
    const auto path = writeProvisioning(entryJson("first", true));
    const auto manager = ZentariPushManager::create(path, sdk);
    ASSERT_NE(manager, nullptr);
    sdk->finishSetUp();
    sdk->takeCalls();

    struct Case {
        const char* name;
        platform::zentari::ModuleStatus status;
        bool signedIn;
        std::optional<std::string> path;
        std::vector<std::string> calls;
    };
    const std::string second = writeProvisioning(entryJson("second", false), "second.json");
    const Case cases[] = {
        {"while the SDK initialises", platform::zentari::ModuleStatus::initializing, false, second, {"disablePush"}},
        {"without a path", platform::zentari::ModuleStatus::operational, false, std::nullopt, {"disablePush"}},
        // Push goes off after the new set-up has started; it comes on again
        // when the set-up finishes.
        {"signed out", platform::zentari::ModuleStatus::operational, false, second,
         {"tearDown", "initialize second", "disablePush"}},
        {"signed in", platform::zentari::ModuleStatus::operational, true, second,
         {"tearDown", "initialize second", "disablePush"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sdk->status = c.status;
        accounts->user = c.signedIn ? hybridtest::makeAccount() : nullptr;
        takeInteractionNames();
        manager->update(c.path);
        EXPECT_EQ(sdk->takeCalls(), c.calls);
        if (c.calls.size() == 1) continue;
        rest->answer = Json{{"ContactId", "contact-7"}};
        sdk->finishSetUp();
        ASSERT_TRUE(testsupport::waitUntil([&] { return platform::BackgroundActivity::inFlight() == 0; }));
        const auto calls = sdk->takeCalls();
        ASSERT_FALSE(calls.empty());
        const auto names = takeInteractionNames();
        if (c.signedIn) {
            // The signed-in user's contact key (its request answers on a worker
            // thread, before or after the delegates are set), and no guest road.
            auto others = calls;
            std::erase(others, "setProfileId contact-7");
            EXPECT_EQ(calls.size(), others.size() + 1);
            EXPECT_EQ(others, (std::vector<std::string>{"startWatchingLocation", "setURLHandlingDelegate",
                                                        "setEventDelegate"}));
            EXPECT_EQ(std::count(names.begin(), names.end(), KORVAMarkerName::zentariInitialized), 0);
            EXPECT_TRUE(info("Reconfigure Zentari with Current User"));
        } else {
            EXPECT_EQ(names.front(), KORVAMarkerName::zentariInitialized);
            EXPECT_EQ(calls, (std::vector<std::string>{
                                 "setProfileId " + context->userDefaults->stringForKey("guestUser").value_or("?"),
                                 "startWatchingLocation", "setURLHandlingDelegate", "setEventDelegate"}));
        }
    }
    EXPECT_TRUE(info("Zentari is initializing skipping reconfiguration."));
}

TEST_F(ZentariPushManagerTest, TheSignedInContactKeyIsTheContactIdElseUserAndOrg) {
    const auto manager = make(entryJson("app", true));
    ASSERT_NE(manager, nullptr);
    const auto account = hybridtest::makeAccount();
    const struct {
        const char* name;
        std::expected<Json, platform::Error> answer;
        std::string key;
        bool isContactId;
    } cases[] = {
        {"a contact id", Json{{"ContactId", "003contact"}}, "003contact", true},
        {"no contact id", Json{{"Id", "005user"}}, "005user_00Dorg", false},
        {"a contact id that is no string", Json{{"ContactId", 42}}, "005user_00Dorg", false},
        {"a failed request", std::unexpected(platform::Error("VQRestAPIErrorDomain", 500)), "005user_00Dorg", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sdk->takeCalls();
        takeInteractionNames();
        rest->answer = c.answer;
        manager->setContactKey(account);
        ASSERT_TRUE(testsupport::waitUntil([&] { return markers->interactionCount() > 0; }));
        const auto requests = rest->takeRequests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, platform::veltrane::VQRestMethod::GET);
        EXPECT_EQ(requests[0].path, "/v60.0/records/user/005user");
        EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"setProfileId " + c.key});
        std::lock_guard lock(markers->mutex);
        ASSERT_EQ(markers->interactions.size(), 1u);
        EXPECT_EQ(markers->interactions[0].name, KORVAMarkerName::zentariContactIdAvailable);
        EXPECT_EQ(markers->interactions[0].attributes, Json({{"contactKeyIsContactId", c.isContactId}}));
    }
}

TEST_F(ZentariPushManagerTest, AGuestKeyIsSetOnlyWhenThereIsOne) {
    const auto manager = make(entryJson("app", true));
    sdk->takeCalls();
    manager->setContactKey();
    EXPECT_TRUE(sdk->takeCalls().empty());
    EXPECT_TRUE(pushtest::logged("WARNING", "ZentariPushManager: No contact Key found. Skipping contact key update."));
    context->userDefaults->setObject("guestUser", Json("guest-9"));
    manager->setContactKey();
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"setProfileId guest-9"});
    ASSERT_EQ(markers->interactions.size(), 1u);
    EXPECT_EQ(markers->interactions[0].attributes, Json({{"contactKeyIsGuest", true}}));
}

TEST_F(ZentariPushManagerTest, TheInAppPermissionURLAsksAndStoresItsFlagWhateverTheAnswer) {
    const auto manager = make(entryJson("app", true));
    for (const auto answer : {platform::system::PermissionAnswer::deny, platform::system::PermissionAnswer::allow}) {
        context->userDefaults->removeObject(ZentariPushManager::kInAppPushCompletedKey);
        platform::system::PermissionPresets::setAnswer(platform::system::PermissionKind::notifications, answer);
        takeInteractionNames();
        manager->vqzt_handleURL(*platform::Url::parse(ZentariPushManager::kPushPermissionURL), "URL");
        ASSERT_TRUE(testsupport::waitUntil(
            [&] { return context->userDefaults->boolForKey(ZentariPushManager::kInAppPushCompletedKey); }));
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; });
        testsupport::pump();
        const bool granted = answer == platform::system::PermissionAnswer::allow;
        EXPECT_EQ(platform::ui::Application::shared().isRegisteredForRemoteNotifications(), granted);
        const auto names = takeInteractionNames();
        EXPECT_EQ(names.size(), granted ? 1u : 0u);
    }
    EXPECT_TRUE(pushtest::logged("ERROR", "ZentariPushManager: Notification access denied! nil"));
    // Another URL, even one that differs in case only, opens in the app (here
    // without a coordinator: nothing happens) and asks for nothing.
    context->userDefaults->removeObject(ZentariPushManager::kInAppPushCompletedKey);
    manager->vqzt_handleURL(*platform::Url::parse("OSTREL://show-push-permission"), "URL");
    testsupport::pump();
    EXPECT_FALSE(context->userDefaults->boolForKey(ZentariPushManager::kInAppPushCompletedKey));
}

TEST_F(ZentariPushManagerTest, TheBackgroundTaskCompletesThenSchedulesTheNextRefresh) {
    const auto package = apptest::copyPackage();
    install(vellicor::ApplicationBundle::create(platform::Bundle::atPath(package)));
    platform::Bundle::setMainBundlePath(package);
    const auto manager = make(entryJson("app", true));
    sdk->takeCalls();
    const auto identifier = ZentariPushManager::backgroundTaskIdentifier();
    EXPECT_EQ(identifier, "com.vellicor.app.mktrefreshtask");

    const auto scheduler = platform::system::BGTaskScheduler::shared();
    manager->backgroundRefresh();
    manager->scheduleBackgroundRefresh();
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"refresh"});
    ASSERT_EQ(scheduler->pendingRequests().size(), 1u);
    EXPECT_EQ(scheduler->pendingRequests()[0].earliestBeginDate, std::nullopt);

    ASSERT_TRUE(scheduler->run(*identifier));
    ASSERT_TRUE(testsupport::waitUntil([&] { return scheduler->pendingRequests().size() == 1; }));
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; });
    EXPECT_EQ(scheduler->lastTask(*identifier)->completion(), true) << "completed before the refresh";
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"refresh"});
    EXPECT_TRUE(info("Background refresh triggered."));
}

TEST_F(ZentariPushManagerTest, TheDebugSwitchIsStoredAndMirroredIntoTheSDK) {
    const auto manager = make(entryJson("app", true));
    sdk->takeCalls();
    EXPECT_FALSE(manager->debugLoggingEnabled());
    manager->setDebugLoggingEnabled(true);
    EXPECT_TRUE(manager->debugLoggingEnabled());
    EXPECT_TRUE(context->userDefaults->boolForKey("enableDebugLogging"));
    EXPECT_EQ(sdk->takeCalls(), std::vector<std::string>{"setDebugLoggingEnabled true"});
    EXPECT_TRUE(info("MKT debug logging is true..."));

    // Without the SDK's module the default and the log line still happen.
    const auto bare = ZentariPushManager::create(writeProvisioning(entryJson("app", true), "bare.json"), nullptr);
    ASSERT_NE(bare, nullptr);
    bare->setDebugLoggingEnabled(false);
    EXPECT_FALSE(context->userDefaults->boolForKey("enableDebugLogging"));
}

TEST_F(ZentariPushManagerTest, InAppMessagesAreShownAndReported) {
    const auto manager = make(entryJson("app", true));
    EXPECT_TRUE(manager->vqzt_shouldShow(Json::object()));
    manager->vqzt_didShow(Json::object());
    manager->vqzt_didClose(Json::object());
    ASSERT_EQ(markers->interactions.size(), 2u);
    EXPECT_EQ(markers->interactions[0].attributes, Json({{"inAppMessageDisplayed", true}}));
    EXPECT_EQ(markers->interactions[1].attributes, Json({{"inAppMessageClosed", true}}));
}

} // namespace
