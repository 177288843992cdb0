#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDeviceAppAttributes.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

// The app's own manager class.
class AppSDKManager : public VeltraneSDKManager {
public:
    static std::shared_ptr<AppSDKManager> create() { return std::shared_ptr<AppSDKManager>(new AppSDKManager()); }
    std::vector<std::string> getDevSupportInfos() override {
        auto infos = VeltraneSDKManager::getDevSupportInfos();
        infos.insert(infos.begin(), {"BuildNumber", "CommunityHybridContainer/2.4.77"});
        return infos;
    }
    std::string devInfoTitleString() override { return appDisplayName(); }

private:
    AppSDKManager() = default;
};

class VeltraneSDKManagerTest : public ::testing::Test {
protected:
    void SetUp() override { VeltraneSDKManager::resetForTesting(); }
    void TearDown() override {
        VeltraneSDKManager::resetForTesting();
        UIDevice::resetForTesting();
    }

    // A package with the given Info.plist entries and, optionally, a boot configuration.
    void makePackage(const std::vector<std::pair<std::string, std::string>>& info, bool withBootConfig = false) {
        static int count = 0;
        const auto folder = testsupport::sandboxRoot() / ("Manager" + std::to_string(++count) + ".app");
        ASSERT_TRUE(FileManager::defaultManager().createDirectory(folder));
        std::string plist = R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)";
        for (const auto& [key, value] : info) plist += "<key>" + key + "</key><string>" + value + "</string>";
        plist += "</dict></plist>";
        ASSERT_TRUE(writeFileAtomically(folder / "Info.plist", dataFromString(plist)));
        if (withBootConfig) {
            ASSERT_TRUE(writeFileAtomically(folder / "bootconfig.json",
                                            dataFromString(R"({"startPage":"/s/","remoteAccessConsumerKey":"cid"})")));
        }
        Bundle::setMainBundlePath(folder);
    }
};

TEST_F(VeltraneSDKManagerTest, InitializeSDKMakesTheAppsManagerShared) {
    auto early = VeltraneSDKManager::sharedManager();
    ASSERT_NE(early, nullptr);
    EXPECT_FALSE(VeltraneSDKManager::isInitialized());
    EXPECT_EQ(early, VeltraneSDKManager::sharedManager());

    EXPECT_TRUE(VeltraneSDKManager::initializeSDK<AppSDKManager>());
    EXPECT_TRUE(VeltraneSDKManager::isInitialized());
    auto shared = VeltraneSDKManager::sharedManager();
    EXPECT_NE(std::dynamic_pointer_cast<AppSDKManager>(shared), nullptr);
    EXPECT_NE(shared, early);

    EXPECT_FALSE(VeltraneSDKManager::initializeSDK<VeltraneSDKManager>()) << "only the first start counts";
    EXPECT_EQ(VeltraneSDKManager::sharedManager(), shared);
}

TEST_F(VeltraneSDKManagerTest, AFactoryThatMakesNothingIsRefused) {
    EXPECT_FALSE(VeltraneSDKManager::initializeSDK([] { return std::shared_ptr<VeltraneSDKManager>(); }));
    EXPECT_FALSE(VeltraneSDKManager::initializeSDK(nullptr));
    EXPECT_FALSE(VeltraneSDKManager::isInitialized());
    EXPECT_EQ(VeltraneSDKManager::sharedManagerIfAny(), nullptr);
}

TEST_F(VeltraneSDKManagerTest, ApplicationNames) {
    makePackage({{"CFBundleName", "My Site"}});
    EXPECT_EQ(VeltraneSDKManager::appName(), "My Site");
    EXPECT_EQ(VeltraneSDKManager::korvaAppName(), "My Site");
    VeltraneSDKManager::setKorvaAppName("CommunityHybridContainer-a.b.c-MySite");
    VeltraneSDKManager::setAppName("Named");
    EXPECT_EQ(VeltraneSDKManager::appName(), "Named");
    EXPECT_EQ(VeltraneSDKManager::korvaAppName(), "CommunityHybridContainer-a.b.c-MySite");

    struct Case {
        std::vector<std::pair<std::string, std::string>> info;
        const char* displayName;
    };
    const Case cases[] = {
        {{{"CFBundleDisplayName", "Shown"}, {"CFBundleName", "Bundle"}}, "Shown"},
        {{{"CFBundleDisplayName", ""}, {"CFBundleName", "Bundle"}}, "Bundle"},
        {{}, "Named"},
    };
    auto manager = VeltraneSDKManager::sharedManager();
    for (const auto& c : cases) {
        makePackage(c.info);
        EXPECT_EQ(manager->appDisplayName(), c.displayName);
    }
}

TEST_F(VeltraneSDKManagerTest, SwitchesAndBootConfiguration) {
    makePackage({}, true);
    auto manager = VeltraneSDKManager::sharedManager();
    EXPECT_TRUE(manager->useSnapshotView());
    EXPECT_FALSE(manager->isIdentityProvider());
    EXPECT_TRUE(manager->useWebServerAuthentication());
    manager->setUseSnapshotView(false);
    manager->setIsIdentityProvider(true);
    manager->setUseWebServerAuthentication(false);
    EXPECT_FALSE(manager->useSnapshotView());
    EXPECT_TRUE(manager->isIdentityProvider());
    EXPECT_FALSE(manager->useWebServerAuthentication());

    auto config = manager->appConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->startPage(), "/s/");
    EXPECT_EQ(manager->appConfig(), config) << "read once";
    manager->setAppConfig(nullptr);
    EXPECT_EQ(manager->appConfig(), nullptr);
}

TEST_F(VeltraneSDKManagerTest, UserAgentComesFromTheGenerator) {
    makePackage({{"CFBundleName", "Sample"}, {"CFBundleShortVersionString", "2.4"}, {"CFBundleVersion", "77"}});
    UIDevice::setPlatform("iPhone14,2");
    UIDevice::setSystemVersion("16.4");
    auto manager = VeltraneSDKManager::sharedManager();
    const std::string expected = "VeltraneMobileSDK/" + std::string(kVeltraneSDKVersion) +
                                 " (iPhone; iOS 16.4) Sample/2.4(77) NativeRemote device/" +
                                 VQSDKDeviceAppAttributes::installDeviceId();
    EXPECT_EQ(manager->userAgent("Remote"), expected);
    EXPECT_EQ(manager->userAgentString()("Remote"), expected);

    manager->setUserAgentString([](const std::string& qualifier) { return "Custom/" + qualifier; });
    EXPECT_EQ(manager->userAgent("Local"), "Custom/Local");
    EXPECT_EQ(manager->userAgentString()("Local"), "Custom/Local");
    manager->setUserAgentString(nullptr);
    EXPECT_EQ(manager->userAgent("Remote"), expected);
}

TEST_F(VeltraneSDKManagerTest, DevSupportInfoAndActions) {
    makePackage({{"CFBundleDisplayName", "Community"}});
    VeltraneSDKManager::initializeSDK<AppSDKManager>();
    auto manager = VeltraneSDKManager::sharedManager();

    const auto infos = manager->getDevSupportInfos();
    ASSERT_GE(infos.size(), 4u);
    EXPECT_EQ(infos.size() % 2, 0u) << "labels and values alternate";
    EXPECT_EQ(infos[0], "BuildNumber");
    EXPECT_EQ(infos[2], "SDK Version");
    EXPECT_EQ(infos[3], kVeltraneSDKVersion);
    EXPECT_EQ(manager->devInfoTitleString(), "Community");
    EXPECT_EQ(VeltraneSDKManager::create()->devInfoTitleString(), "Veltrane Dev Support");

    auto names = [](const std::vector<std::shared_ptr<VQSDKDevAction>>& actions) {
        std::vector<std::string> result;
        for (const auto& a : actions) result.push_back(a->name());
        return result;
    };
    EXPECT_EQ(names(manager->getDevActions(nullptr)), std::vector<std::string>{"Show dev info"});

    // "Show dev info" hands the list to whoever shows the dialog.
    Json shown;
    NotificationCenter::defaultCenter()->addObserver(kVQSDKDevInfoWillShowNotification, manager.get(),
                                                     [&shown](const Notification& n) { shown = n.userInfo; });
    manager->getDevActions(nullptr).front()->perform();
    EXPECT_EQ(shown["title"], "Community");
    EXPECT_EQ(shown["infos"], Json(infos));

    bool signedIn = false;
    int logouts = 0;
    int switches = 0;
    VeltraneSDKManager::setAccountActions({[&] { return signedIn; }, [] { return std::optional<std::string>("alice"); },
                                           [&] { ++logouts; }, [&](const auto&) { ++switches; }});
    EXPECT_EQ(names(manager->getDevActions(nullptr)), std::vector<std::string>{"Show dev info"});
    signedIn = true;
    auto actions = manager->getDevActions(nullptr);
    EXPECT_EQ(names(actions), (std::vector<std::string>{"Show dev info", "Logout", "Switch user"}));
    actions[1]->perform();
    actions[2]->perform();
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(switches, 1);
    const auto withUser = manager->getDevSupportInfos();
    EXPECT_EQ(withUser[withUser.size() - 2], "Current User");
    EXPECT_EQ(withUser.back(), "alice");
}

} // namespace
