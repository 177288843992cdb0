#include "VellicorApp/Core/Localization.hpp"

#include "VellicorApp/SampleResources.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

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

// Every text the app looks up by key has an English text in the sample
// package: a missing one shows the user the bare key.
TEST_F(LocalizationTest, EveryKeyTheAppLooksUpHasATextInTheSamplePackage) {
    apptest::installContext(apptest::sampleResources());
    const std::filesystem::path app = sampleResourcesDirectory().parent_path();
    const std::regex lookup(R"(\blocalized\(\s*"([A-Z][A-Z0-9_]*)\")");
    std::set<std::string> keys;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(app)) {
        if (entry.path().extension() != ".cpp" && entry.path().extension() != ".hpp") continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        for (std::sregex_iterator match(source.begin(), source.end(), lookup), end; match != end; ++match) {
            keys.insert((*match)[1].str());
        }
    }
    ASSERT_GT(keys.size(), 20u) << "the app's sources were not found under " << app;
    for (const auto& key : keys) EXPECT_NE(localized(key), key) << key;
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
