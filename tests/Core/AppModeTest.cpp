#include "VellicorApp/Core/AppMode.hpp"

#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class AppModeTest : public apptest::AppTest {
protected:
    /// A running context over the sample package, in the preview edition when asked.
    std::shared_ptr<Context> install(bool preview, const std::function<void(platform::Json&)>& edit = {}) {
        auto bundle = apptest::FakeBundle::sample();
        if (preview) bundle->info["YarrowinAppType"] = "preSale";
        if (edit) edit(bundle->info);
        return apptest::installContext(apptest::sampleResources(), bundle);
    }

    static void selectCommunity(const std::string& startPage, bool slashS, bool plexa, const std::string& host) {
        const auto model = CommunityConfigModel::create(platform::Url::parse(host), platform::Url::parse(startPage).value(),
                                                        "Picked", slashS, plexa);
        ASSERT_NE(model, nullptr);
        CommunityConfigFilePersistentStore().updateConfigFiles(model);
    }

    static void writeSupportFile(const std::string& name, const std::string& text) {
        const auto folder = platform::Sandbox::applicationSupportDirectory();
        ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(folder));
        ASSERT_TRUE(platform::writeFileAtomically(folder / (name + ".json"), platform::dataFromString(text)));
    }
};

TEST_F(AppModeTest, RawValues) {
    EXPECT_EQ(appModeFromRawValue(0), AppMode::normal);
    EXPECT_EQ(appModeFromRawValue(1), AppMode::yarrowin);
    EXPECT_EQ(appModeFromRawValue(2), std::nullopt);
    EXPECT_EQ(appModeFromRawValue(-1), std::nullopt);
}

TEST_F(AppModeTest, FileNamesOfEachEdition) {
    EXPECT_EQ(appConfigPath(AppMode::normal), (AppConfigPath{"normalConfigModel", "normalBootConfig"}));
    EXPECT_EQ(appConfigPath(AppMode::yarrowin), (AppConfigPath{"yarrowinConfigModel", "yarrowinBootConfig"}));
}

TEST_F(AppModeTest, NormalEditionWithoutASelectedCommunityUsesTheInfoPlist) {
    install(false, [](platform::Json& info) { info["IsPlexa"] = true; });
    EXPECT_EQ(loginHost(AppMode::normal), "community.example.test");
    EXPECT_TRUE(isPlexaCommunity(AppMode::normal));
}

TEST_F(AppModeTest, NormalEditionWithASelectedCommunityUsesIt) {
    install(false);
    selectCommunity("https://sandbox.example.test/s/", true, true, "sandbox.example.test");
    EXPECT_EQ(loginHost(AppMode::normal), "sandbox.example.test");
    EXPECT_TRUE(isPlexaCommunity(AppMode::normal));
}

TEST_F(AppModeTest, TheSDKLoginHostIsTheProductionHost) {
    install(false);
    EXPECT_EQ(vqLoginHost(AppMode::normal),
              platform::veltrane::VQSDKLoginHost("Production", "community.example.test", false));
    selectCommunity("https://sandbox.example.test/s/", true, false, "sandbox.example.test");
    EXPECT_EQ(vqLoginHost(AppMode::normal)->host, "sandbox.example.test");
}

TEST_F(AppModeTest, PreviewEditionWithoutASelectedCommunityHasNoLoginHost) {
    install(true, [](platform::Json& info) { info["IsPlexa"] = true; });
    EXPECT_EQ(loginHost(AppMode::yarrowin), std::nullopt);
    EXPECT_EQ(vqLoginHost(AppMode::yarrowin), std::nullopt);
    EXPECT_FALSE(isPlexaCommunity(AppMode::yarrowin));

    selectCommunity("https://preview.example.test/", false, false, "");
    EXPECT_EQ(loginHost(AppMode::yarrowin), "preview.example.test/");
}

TEST_F(AppModeTest, EachModeReadsItsOwnFiles) {
    // The normal edition runs; the preview edition's files hold another community.
    install(false, [](platform::Json& info) { info["IsPlexa"] = false; });
    writeSupportFile("yarrowinConfigModel", platform::serializeJson(
        CommunityConfigModel::create(platform::Url::parse("preview.example.test"),
                                     platform::Url::parse("https://preview.example.test/").value(), "Preview", false,
                                     true)->encode()));
    writeSupportFile("yarrowinBootConfig", R"({"unauthenticatedStartPage": "https://preview.example.test/"})");

    EXPECT_EQ(loginHost(AppMode::yarrowin), "preview.example.test");
    EXPECT_TRUE(isPlexaCommunity(AppMode::yarrowin));
    ASSERT_NE(appConfig(AppMode::yarrowin), nullptr);
    EXPECT_EQ(appConfig(AppMode::yarrowin)->unauthenticatedStartPage(), "https://preview.example.test/");
    EXPECT_FALSE(isSlashSCommunity(AppMode::yarrowin));

    EXPECT_EQ(loginHost(AppMode::normal), "community.example.test");
    EXPECT_FALSE(isPlexaCommunity(AppMode::normal));
    EXPECT_NE(appConfig(AppMode::normal)->unauthenticatedStartPage(), "https://preview.example.test/");
}

TEST_F(AppModeTest, ACommunityFileThatCannotBeReadCountsAsNone) {
    install(false);
    writeSupportFile("normalConfigModel", "{ not json");
    EXPECT_EQ(loginHost(AppMode::normal), "community.example.test");
}

TEST_F(AppModeTest, LoginNavBarOnlyInThePreviewEdition) {
    const auto context = install(false);
    context->userDefaults->setBool("enableNavBar", true);
    EXPECT_FALSE(isLoginNavBarEnabled(AppMode::normal));
    EXPECT_TRUE(isLoginNavBarEnabled(AppMode::yarrowin));
    context->userDefaults->removeObject("enableNavBar");
    EXPECT_FALSE(isLoginNavBarEnabled(AppMode::yarrowin));
}

TEST_F(AppModeTest, QuickActions) {
    install(true);
    const auto communitySwitch = quickAction(AppMode::yarrowin);
    ASSERT_TRUE(communitySwitch);
    EXPECT_EQ(communitySwitch->type, "com.vellicor.app.communitySwitching");
    EXPECT_EQ(communitySwitch->localizedTitle, "Switch Community");
    EXPECT_EQ(communitySwitch->iconName, "link");
    EXPECT_EQ(communitySwitch->iconKind, platform::ui::ShortcutIconKind::systemSymbol);
    EXPECT_EQ(communitySwitch->localizedSubtitle, std::nullopt);
    EXPECT_TRUE(communitySwitch->userInfo.empty());

    install(false);
    const auto sandboxSwitch = quickAction(AppMode::normal);
    ASSERT_TRUE(sandboxSwitch);
    EXPECT_EQ(sandboxSwitch->type, "com.vellicor.app.sandboxSwitching");
    EXPECT_EQ(sandboxSwitch->localizedTitle, "Switch Environment");
    EXPECT_EQ(sandboxSwitch->iconName, "ListCheck");
    EXPECT_EQ(sandboxSwitch->iconKind, platform::ui::ShortcutIconKind::templateImage);

    install(false, [](platform::Json& info) { info["SandboxLoginHost"] = ""; });
    EXPECT_EQ(quickAction(AppMode::normal), std::nullopt);
    install(false, [](platform::Json& info) { info.erase("SandboxLoginHost"); });
    EXPECT_EQ(quickAction(AppMode::normal), std::nullopt);
}

TEST_F(AppModeTest, AppConfigIsTheStoredOrDefaultBootConfigurationWithoutSignIn) {
    install(false);
    const auto fromPackage = appConfig(AppMode::normal);
    ASSERT_NE(fromPackage, nullptr);
    EXPECT_FALSE(fromPackage->shouldAuthenticate());
    EXPECT_EQ(fromPackage->remoteAccessConsumerKey(), "vellicor-community-client");

    writeSupportFile("normalBootConfig", R"({"unauthenticatedStartPage": "https://stored.example.test/s/", "shouldAuthenticate": true})");
    const auto stored = appConfig(AppMode::normal);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->unauthenticatedStartPage(), "https://stored.example.test/s/");
    EXPECT_FALSE(stored->shouldAuthenticate());
}

TEST_F(AppModeTest, SlashSCommunityFollowsTheBootConfigurationsStartPage) {
    struct Case {
        const char* name;
        std::optional<std::string> bootConfig;
        bool expected;
    };
    const Case cases[] = {
        {"ends in /s/", R"({"unauthenticatedStartPage": "https://h.example.test/s/"})", true},
        {"ends in /s without slash", R"({"unauthenticatedStartPage": "https://h.example.test/s"})", false},
        {"site root", R"({"unauthenticatedStartPage": "https://h.example.test/"})", false},
        {"no start page", R"({"startPage": "/"})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        install(false);
        if (c.bootConfig) writeSupportFile("normalBootConfig", *c.bootConfig);
        EXPECT_EQ(isSlashSCommunity(AppMode::normal), c.expected);
    }
}

TEST_F(AppModeTest, WithoutAnyBootConfigurationTheCommunityIsSlashS) {
    const auto package = apptest::copyPackage();
    std::filesystem::remove(package / "bootconfig.json");
    apptest::installContext(package);
    EXPECT_EQ(appConfig(AppMode::normal), nullptr);
    EXPECT_TRUE(isSlashSCommunity(AppMode::normal));
}

} // namespace
