#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Shell/AppUpdateManager.hpp"

#include "Platform/Foundation/Uuid.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>
#include <vector>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class ContextTest : public apptest::AppTest {
protected:
    /// A context over the sample Info.plist with one key set (or removed).
    std::shared_ptr<Context> contextWith(const std::string& key, const std::optional<platform::Json>& value) {
        auto bundle = apptest::FakeBundle::sample();
        if (value) {
            bundle->info[key] = *value;
        } else {
            bundle->info.erase(key);
        }
        return apptest::installContext(apptest::sampleResources(), bundle);
    }
};

std::string describe(const std::optional<std::string>& value) { return value ? "\"" + *value + "\"" : "<none>"; }

std::string describe(const std::optional<platform::ui::Color>& value) { return value ? value->hexString() : "<none>"; }

TEST_F(ContextTest, ConfigurationSettingsAndTheirDefaults) {
    using Json = platform::Json;
    struct Case {
        const char* name;
        const char* key;
        std::optional<Json> value; // none: the key is missing
        std::function<std::string(const Context&)> read;
        std::string expected;
        std::optional<std::string> loggedError;
    };
    const auto defaultLoginHost = [](const Context& c) { return describe(c.defaultLoginHost()); };
    const auto sandboxLoginHost = [](const Context& c) { return describe(c.sandboxLoginHost()); };
    const auto appCenterAppName = [](const Context& c) { return describe(c.appCenterAppName()); };
    const auto appCenterID = [](const Context& c) { return describe(c.appCenterID()); };
    const auto isPlexa = [](const Context& c) { return std::string(c.defaultIsPlexaCommunity() ? "true" : "false"); };
    const auto appMode = [](const Context& c) { return std::to_string(static_cast<int>(c.appMode())); };
    const auto navBarColor = [](const Context& c) { return describe(c.navBarColor()); };
    const auto navBarTrueColor = [](const Context& c) { return describe(c.navBarTrueColor()); };
    const std::string noAppName = "Context: No AppCenterLiveAppName found in Info.plist!";
    const std::string noSecret = "Context: No AppCenterAppSecret found in Info.plist!";

    const Case cases[] = {
        {"login host", "TOVKOAuthLoginHost", Json("community.example.test"), defaultLoginHost, "\"community.example.test\"", {}},
        {"empty login host stays empty", "TOVKOAuthLoginHost", Json(""), defaultLoginHost, "\"\"", {}},
        {"missing login host", "TOVKOAuthLoginHost", std::nullopt, defaultLoginHost, "<none>", {}},
        {"login host not a string", "TOVKOAuthLoginHost", Json(42), defaultLoginHost, "<none>", {}},
        {"sandbox login host", "SandboxLoginHost", Json("sandbox.example.test"), sandboxLoginHost, "\"sandbox.example.test\"", {}},
        {"empty sandbox login host is none", "SandboxLoginHost", Json(""), sandboxLoginHost, "<none>", {}},
        {"missing sandbox login host", "SandboxLoginHost", std::nullopt, sandboxLoginHost, "<none>", {}},
        {"app name", "AppCenterLiveAppName", Json("Vellicor-iOS"), appCenterAppName, "\"Vellicor-iOS\"", {}},
        {"empty app name", "AppCenterLiveAppName", Json(""), appCenterAppName, "<none>", noAppName},
        {"missing app name", "AppCenterLiveAppName", std::nullopt, appCenterAppName, "<none>", noAppName},
        {"app name not a string", "AppCenterLiveAppName", Json(true), appCenterAppName, "<none>", noAppName},
        {"app secret", "AppCenterAppSecret", Json("secret"), appCenterID, "\"secret\"", {}},
        {"empty app secret", "AppCenterAppSecret", Json(""), appCenterID, "\"\"", noSecret},
        {"missing app secret", "AppCenterAppSecret", std::nullopt, appCenterID, "\"\"", noSecret},
        {"web runtime flag", "IsPlexa", Json(true), isPlexa, "true", {}},
        {"missing web runtime flag", "IsPlexa", std::nullopt, isPlexa, "false", {}},
        {"web runtime flag as a string", "IsPlexa", Json("true"), isPlexa, "false", {}},
        {"preview edition", "YarrowinAppType", Json("preSale"), appMode, "1", {}},
        {"unknown app type is the normal edition", "YarrowinAppType", Json("demo"), appMode, "0", {}},
        {"app type not a string", "YarrowinAppType", Json(1), appMode, "0", {}},
        {"missing app type", "YarrowinAppType", std::nullopt, appMode, "0", {}},
        {"bar colour", "LoginViewNavBarColor", Json("#1B5297"), navBarColor, "#1B5297", {}},
        {"bar colour that is no colour", "LoginViewNavBarColor", Json("blue"), navBarColor, "<none>", {}},
        {"missing bar colour", "LoginViewNavBarColor", std::nullopt, navBarColor, "<none>", {}},
        {"true bar colour", "NavBarTrueColor", Json("#0B2F5A"), navBarTrueColor, "#0B2F5A", {}},
        {"true bar colour that is no colour falls back", "NavBarTrueColor", Json("#12"), navBarTrueColor, "#1B5297", {}},
        {"missing true bar colour ignores the bar colour", "NavBarTrueColor", std::nullopt, navBarTrueColor, "<none>", {}},
        {"true bar colour not a string", "NavBarTrueColor", Json(12), navBarTrueColor, "<none>", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        const auto context = contextWith(c.key, c.value);
        EXPECT_EQ(c.read(*context), c.expected);
        const auto errors = apptest::appLogTexts("ERROR");
        if (c.loggedError) {
            EXPECT_THAT(errors, ElementsAre(*c.loggedError));
        } else {
            EXPECT_THAT(errors, IsEmpty());
        }
    }
}

TEST_F(ContextTest, PreviewEditionHasItsAppType) {
    const auto context = contextWith("YarrowinAppType", platform::Json("preSale"));
    EXPECT_EQ(context->yarrowinAppType(), YarrowinAppType::preSale);
    EXPECT_EQ(context->appMode(), AppMode::yarrowin);
}

TEST_F(ContextTest, CommunityIdentifierJoinsTheTwoVersions) {
    EXPECT_EQ(contextWith("CFBundleVersion", platform::Json("42"))->communityIdentifier(),
              "CommunityHybridContainer/1.0.0.42");
}

TEST_F(ContextTest, CommunityIdentifierStopsTheAppWithoutAVersion) {
    const auto noShortVersion = contextWith("CFBundleShortVersionString", std::nullopt);
    EXPECT_DEATH(noShortVersion->communityIdentifier(), "No short version found in Info.plist!");
    const auto noVersion = contextWith("CFBundleVersion", platform::Json(7));
    EXPECT_DEATH(noVersion->communityIdentifier(), "No version found in Info.plist!");
}

TEST_F(ContextTest, CurrentIsTheLastContextOfTheStack) {
    const auto first = apptest::installContext(apptest::sampleResources());
    const auto second = apptest::installContext(apptest::sampleResources());
    AppContext::setStackForTesting({first, second});
    EXPECT_EQ(AppContext::current(), second);
}

TEST_F(ContextTest, AnEmptyStackStopsTheApp) {
    AppContext::setStackForTesting({});
    EXPECT_DEATH(AppContext::current(), "There must be at least 1 context!");
}

TEST_F(ContextTest, TheFirstUseBuildsOneContextOverTheMainBundle) {
    platform::Bundle::setMainBundlePath(apptest::sampleResources());
    AppContext::resetForTesting();
    const auto context = AppContext::current();
    EXPECT_EQ(AppContext::current(), context);
    EXPECT_EQ(context->mainBundle->bundleIdentifier(), "com.vellicor.app");
    EXPECT_EQ(context->notificationCenter, platform::NotificationCenter::defaultCenter());
    EXPECT_EQ(&context->fileManager, &platform::FileManager::defaultManager());
    EXPECT_TRUE(platform::Uuid::fromString(context->sessionID()));
}

TEST_F(ContextTest, TheUpdateManagerIsReplacedAndReleased) {
    const auto context = apptest::installContext(apptest::sampleResources());
    EXPECT_EQ(context->appUpdateManager(), nullptr);
    const auto make = [](std::int64_t grace) {
        return AppUpdateManager::create(AppUpdateConfigModel{true, grace}, "17.0", nullptr, {});
    };
    auto first = make(3);
    std::weak_ptr<AppUpdateManager> released = first;
    context->setAppUpdateManager(std::move(first));
    EXPECT_EQ(context->appUpdateManager()->appUpdateConfig().gracePeriod, 3);
    context->setAppUpdateManager(make(0));
    EXPECT_TRUE(released.expired()) << "the old manager goes with its state";
    EXPECT_EQ(context->appUpdateManager()->appUpdateConfig().gracePeriod, 0);
    context->setAppUpdateManager(nullptr);
    EXPECT_EQ(context->appUpdateManager(), nullptr);
}

TEST_F(ContextTest, EachSessionRenewalGivesANewSessionID) {
    const auto context = apptest::installContext(apptest::sampleResources());
    std::set<std::string> seen{context->sessionID()};
    for (int i = 0; i < 5; ++i) {
        AppContext::updateCurrentContextSessionID();
        EXPECT_TRUE(platform::Uuid::fromString(context->sessionID())) << context->sessionID();
        EXPECT_TRUE(seen.insert(context->sessionID()).second) << "repeated " << context->sessionID();
    }
}

TEST_F(ContextTest, TheSessionIDIsRenewedWhileOtherThreadsReadIt) {
    const auto context = apptest::installContext(apptest::sampleResources());
    std::atomic<bool> stop{false};
    std::atomic<int> malformed{0};
    // Markers read the session ID from any thread while the main thread renews it.
    std::thread reader([&] {
        while (!stop) {
            if (!platform::Uuid::fromString(AppContext::current()->sessionID())) ++malformed;
        }
    });
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        AppContext::updateCurrentContextSessionID();
        seen.insert(context->sessionID());
    }
    stop = true;
    reader.join();
    EXPECT_EQ(malformed, 0);
    EXPECT_EQ(seen.size(), 200u);
}

TEST_F(ContextTest, TheDefaultContextIsBuiltOutsideTheStacksGuard) {
    const auto built = apptest::installContext(apptest::sampleResources());
    AppContext::resetForTesting();
    bool stackReachedWhileBuilding = false;
    AppContext::setDefaultContextMaker([&] {
        // Whatever building reaches may use the stack meanwhile.
        auto other = std::async(std::launch::async, [] { AppContext::resetForTesting(); });
        stackReachedWhileBuilding = other.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        return built;
    });
    EXPECT_EQ(AppContext::current(), built);
    AppContext::setDefaultContextMaker(nullptr);
    EXPECT_TRUE(stackReachedWhileBuilding);
    EXPECT_EQ(AppContext::current(), built);
}

TEST_F(ContextTest, ThreadsThatBuildTheStackAtOnceShareOneContext) {
    const auto first = apptest::installContext(apptest::sampleResources());
    const auto second = apptest::installContext(apptest::sampleResources());
    AppContext::resetForTesting();
    std::atomic<int> builds{0};
    AppContext::setDefaultContextMaker([&] { return ++builds == 1 ? first : second; });
    std::vector<std::future<std::shared_ptr<Context>>> users;
    for (int i = 0; i < 4; ++i) users.push_back(std::async(std::launch::async, [] { return AppContext::current(); }));
    std::set<std::shared_ptr<Context>> seen{AppContext::current()};
    for (auto& user : users) seen.insert(user.get());
    AppContext::setDefaultContextMaker(nullptr);
    EXPECT_EQ(seen.size(), 1u);
}

} // namespace

namespace {

TEST_F(ContextTest, SignedInWhileTheAccountManagerHasAUser) {
    const auto context = apptest::installContext(apptest::sampleResources());
    EXPECT_FALSE(context->isUserLoggedIn());
    EXPECT_EQ(context->userAccount(), nullptr);
    const auto account = apptest::signIn(*context);
    EXPECT_TRUE(context->isUserLoggedIn());
    EXPECT_EQ(context->userAccount(), account);
    context->userAccountManager->setCurrentUserAccount(nullptr);
    EXPECT_FALSE(context->isUserLoggedIn());
}

} // namespace
