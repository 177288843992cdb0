#include "VellicorApp/Shell/Localization.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class LocalizationTest : public apptest::AppTest {};

TEST_F(LocalizationTest, LooksKeysUpInTheLocalizationBundle) {
    apptest::installContext(apptest::sampleResources());
    EXPECT_EQ(localized("SWITCH_COMMUNITY", "Yarrowin switch community quick action button title."), "Switch Community");
    EXPECT_EQ(localized("NO_SUCH_KEY", "Not translated."), "NO_SUCH_KEY");
    EXPECT_THAT(apptest::appLogLines(), IsEmpty());
}

TEST_F(LocalizationTest, WithoutTheBundleEveryLookupGivesTheKeyAndLogs) {
    const auto package = apptest::copyPackage();
    std::filesystem::remove_all(package / kLocalizationBundleName);
    apptest::installContext(package);
    EXPECT_EQ(localized("SWITCH_COMMUNITY"), "SWITCH_COMMUNITY");
    EXPECT_EQ(localized("SWITCH_COMMUNITY"), "SWITCH_COMMUNITY");
    const auto lines = apptest::appLogLines();
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.level, "ERROR");
        EXPECT_EQ(line.text, "CommunityHybridSDKManager: Unable to load localization resource bundle");
    }
}

TEST_F(LocalizationTest, WithoutAResourceFolderGivesTheKey) {
    class NoResources : public apptest::FakeBundle {
    public:
        NoResources() : FakeBundle(platform::Json::object()) {}
        std::optional<platform::Url> resourceURL() const override { return std::nullopt; }
    };
    apptest::installContext(apptest::sampleResources(), std::make_shared<NoResources>());
    EXPECT_EQ(localized("SANDBOX_SWITCHING"), "SANDBOX_SWITCHING");
    EXPECT_THAT(apptest::appLogTexts("ERROR"),
                ElementsAre("CommunityHybridSDKManager: Unable to load localization resource bundle"));
}

TEST_F(LocalizationTest, TheBundleIsLookedUpAnewOnEveryCall) {
    const auto package = apptest::copyPackage();
    apptest::installContext(package);
    EXPECT_EQ(localized("SANDBOX_SWITCHING"), "Switch Environment");
    std::filesystem::remove_all(package / kLocalizationBundleName);
    EXPECT_EQ(localized("SANDBOX_SWITCHING"), "SANDBOX_SWITCHING");
}

} // namespace
