#include "VellicorApp/Shell/MobileSDKConfigurator.hpp"

#include "VellicorApp/Shell/CommunityHybridSDKManager.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::veltrane::KeychainHelper;
using platform::veltrane::VeltraneSDKManager;

namespace {

class MobileSDKConfiguratorTest : public apptest::AppTest {
protected:
    void SetUp() override {
        VeltraneSDKManager::resetForTesting();
        KeychainHelper::resetStateForTesting();
    }
    void TearDown() override {
        KeychainHelper::resetStateForTesting();
        AppTest::TearDown();
    }

    /// Makes an edited sample package the main bundle, with no context yet.
    static void usePackage(const std::function<void(platform::Json&)>& edit = {}) {
        platform::Bundle::setMainBundlePath(apptest::copyPackage(edit));
        AppContext::resetForTesting();
    }
};

TEST_F(MobileSDKConfiguratorTest, StartsTheSDKAndSetsItsSwitches) {
    usePackage();
    MobileSDKConfigurator::configure();

    EXPECT_EQ(KeychainHelper::accessibleAttribute(), KeychainHelper::ItemAccessibility::afterFirstUnlock);
    ASSERT_TRUE(VeltraneSDKManager::isInitialized());
    const auto manager = VeltraneSDKManager::sharedManager();
    EXPECT_EQ(manager->appType(), "Hybrid");
    // The app's own manager, so the developer lists the SDK asks for are the app's.
    EXPECT_NE(std::dynamic_pointer_cast<CommunityHybridSDKManager>(manager), nullptr);
    EXPECT_FALSE(manager->useSnapshotView());
    EXPECT_FALSE(manager->useWebServerAuthentication());
    // The context built on the way holds that very manager.
    const auto adapter = std::dynamic_pointer_cast<VeltraneSDKManagerAdapter>(AppContext::current()->veltraneSDKManager);
    ASSERT_NE(adapter, nullptr);
    EXPECT_EQ(adapter->manager(), manager);
    EXPECT_EQ(VeltraneSDKManager::appName(), "CommunityHybridContainer-com.vellicor.app-Vellicor");
    EXPECT_EQ(VeltraneSDKManager::korvaAppName(), "CommunityHybridContainer-com.vellicor.app-Vellicor");
}

TEST_F(MobileSDKConfiguratorTest, ApplicationNameKeepsOnlyASCIIWithoutBlanks) {
    struct Case {
        const char* name;
        const char* identifier;
        const char* bundleName;
        const char* expected;
    };
    const Case cases[] = {
        {"blanks around and inside", "a.b.c", "  My Site  App \t", "CommunityHybridContainer-a.b.c-MySiteApp"},
        {"accented letters", "com.ex\xC3\xA4mple", "Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF" "code",
         "CommunityHybridContainer-com.exmple-Cafncode"},
        {"letter with a combining mark", "a.b", "Re\xCC\x81sume\xCC\x81", "CommunityHybridContainer-a.b-Rsum"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VeltraneSDKManager::resetForTesting();
        usePackage([&c](platform::Json& info) {
            info["CFBundleIdentifier"] = c.identifier;
            info["CFBundleName"] = c.bundleName;
        });
        MobileSDKConfigurator::configure();
        EXPECT_EQ(VeltraneSDKManager::appName(), c.expected);
        EXPECT_EQ(VeltraneSDKManager::korvaAppName(), c.expected);
    }
}

TEST_F(MobileSDKConfiguratorTest, WithoutIdentifierOrNameTheSDKKeepsItsNames) {
    const std::function<void(platform::Json&)> edits[] = {
        [](platform::Json& info) { info.erase("CFBundleIdentifier"); },
        [](platform::Json& info) { info.erase("CFBundleName"); },
        [](platform::Json& info) { info["CFBundleName"] = 12; },
    };
    for (const auto& edit : edits) {
        VeltraneSDKManager::resetForTesting();
        usePackage(edit);
        const auto before = VeltraneSDKManager::appName();
        MobileSDKConfigurator::configure();
        EXPECT_EQ(VeltraneSDKManager::appName(), before);
        EXPECT_EQ(VeltraneSDKManager::korvaAppName(), before);
        EXPECT_FALSE(VeltraneSDKManager::appName().starts_with("CommunityHybridContainer"));
    }
}

} // namespace

namespace {

TEST(AsciiFiltered, DropsEveryOtherCharacter) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"plain ASCII", "Vellicor App-1.0", "Vellicor App-1.0"},
        {"accented letters", "Caf\xC3\xA9 R\xC3\xA9sum\xC3\xA9", "Caf Rsum"},
        {"letter joined with a combining mark", "e\xCC\x81x", "x"},
        {"CR LF pair kept", "a\r\nb", "a\r\nb"},
        {"emoji", "ok\xF0\x9F\x91\x8D!", "ok!"},
        {"control characters are ASCII", std::string("a\tb\0c", 5), std::string("a\tb\0c", 5)},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(asciiFiltered(c.text), c.expected) << c.name;
}

TEST_F(MobileSDKConfiguratorTest, PreparesTheAccountManager) {
    usePackage();
    MobileSDKConfigurator::configure();
    const auto adapter = std::dynamic_pointer_cast<VQUserAccountManagerAdapter>(AppContext::current()->userAccountManager);
    ASSERT_NE(adapter, nullptr);
    const auto& manager = adapter->manager();
    EXPECT_EQ(manager->additionalOAuthParameterKeys(), std::vector<std::string>{"csrf_token"});
    EXPECT_EQ(manager->additionalTokenRefreshParams(), (std::map<std::string, std::string>{{"csrf_token", "TRUE"}}));
    EXPECT_TRUE(manager->authCancelledByUserHandlerBlock());
}

TEST_F(MobileSDKConfiguratorTest, ColoursTheLoginScreenByTheTrueBarColour) {
    struct Case {
        const char* name;
        std::optional<std::string> trueColor;
        std::optional<platform::ui::Color> bar;
        bool blackTitle;
    } cases[] = {
        {"dark colour", "#0B2F5A", platform::veltrane::colorFromHexValue("#0B2F5A"), false},
        {"bright colour", "#FFFFFF", platform::ui::Color{1, 1, 1, 1}, true},
        {"no colour", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        usePackage([&](platform::Json& info) {
            info.erase("LoginViewNavBarColor");
            if (c.trueColor) info["NavBarTrueColor"] = *c.trueColor;
            else info.erase("NavBarTrueColor");
        });
        MobileSDKConfigurator::configure();
        const auto config = AppContext::current()->userAccountManager->loginViewControllerConfig();
        ASSERT_TRUE(config);
        EXPECT_EQ(config->navBarColor, c.bar);
        EXPECT_EQ(config->navBarTitleColor, c.blackTitle ? std::optional(platform::ui::Color::black()) : std::nullopt);
        EXPECT_EQ(config->navBarTintColor, c.blackTitle ? std::optional(platform::ui::Color::black()) : std::nullopt);
        VeltraneSDKManager::resetForTesting();
    }
}

TEST_F(MobileSDKConfiguratorTest, ResetsTheLoginHostsOnEveryStart) {
    usePackage();
    for (int launch = 0; launch < 3; ++launch) {
        MobileSDKConfigurator::configure();
        VeltraneSDKManager::resetForTesting();
    }
    const auto hosts = platform::veltrane::VQSDKLoginHostStorage::sharedInstance()->loginHosts();
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_TRUE(platform::veltrane::VQSDKLoginHostStorage::sharedInstance()->loginHostForHostAddress("community.example.test"));
    EXPECT_TRUE(platform::veltrane::VQSDKLoginHostStorage::sharedInstance()->loginHostForHostAddress("sandbox.example.test"));
}

} // namespace
