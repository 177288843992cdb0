#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::veltrane;

namespace {

// Points the main bundle at a new package folder, with a boot configuration
// file holding `text` (none: no file).
void makePackage(const std::optional<std::string>& text) {
    static int count = 0;
    const auto folder = testsupport::sandboxRoot() / ("Package" + std::to_string(++count) + ".app");
    ASSERT_TRUE(FileManager::defaultManager().createDirectory(folder));
    if (text) {
        ASSERT_TRUE(writeFileAtomically(folder / "bootconfig.json", dataFromString(*text)));
    }
    Bundle::setMainBundlePath(folder);
}

constexpr const char* kBootConfig = R"({
  "remoteAccessConsumerKey": "client-id-123",
  "oauthRedirectURI": "app://auth/done",
  "oauthScopes": ["web", "api"],
  "isLocal": false,
  "startPage": "/s/",
  "unauthenticatedStartPage": "https://community.example.com/s/",
  "shouldAuthenticate": true,
  "vendorExtra": {"kept": 1}
})";

TEST(VQHybridViewConfig, ReadsThePackageDefault) {
    makePackage(kBootConfig);
    auto config = VQHybridViewConfig::fromDefaultConfigFile();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->remoteAccessConsumerKey(), "client-id-123");
    EXPECT_EQ(config->oauthRedirectURI(), "app://auth/done");
    EXPECT_EQ(config->oauthScopes(), (std::vector<std::string>{"web", "api"}));
    EXPECT_FALSE(config->isLocal());
    EXPECT_EQ(config->startPage(), "/s/");
    EXPECT_EQ(config->unauthenticatedStartPage(), "https://community.example.com/s/");
    EXPECT_TRUE(config->shouldAuthenticate());
}

TEST(VQHybridViewConfig, PackageWithoutUsableDefaultGivesNone) {
    const std::optional<std::string> packages[] = {std::nullopt, "not json", "[1, 2]", "\"text\"", ""};
    for (const auto& text : packages) {
        makePackage(text);
        EXPECT_EQ(VQHybridViewConfig::fromDefaultConfigFile(), nullptr) << text.value_or("<no file>");
        EXPECT_EQ(VQHybridViewConfig::create(), nullptr) << text.value_or("<no file>");
    }
}

TEST(VQHybridViewConfig, NoDictionaryGivesThePackageDefault) {
    makePackage(kBootConfig);
    auto config = VQHybridViewConfig::create(std::nullopt);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->configDict(), *parseJson(kBootConfig));
    EXPECT_EQ(VQHybridViewConfig::create(Json::array()), nullptr) << "a value that is not a dictionary";
    EXPECT_EQ(VQHybridViewConfig::create(Json("x")), nullptr);
}

TEST(VQHybridViewConfig, DictionaryRoundTripKeepsChangesAndUnknownKeys) {
    makePackage(std::nullopt);
    auto config = VQHybridViewConfig::create(*parseJson(kBootConfig));
    ASSERT_NE(config, nullptr);
    config->setStartPage("/");
    config->setUnauthenticatedStartPage("https://other.example.org/s/");
    config->setShouldAuthenticate(false);
    config->setRemoteAccessConsumerKey(std::nullopt);

    const Json dict = config->configDict();
    EXPECT_EQ(dict["startPage"], "/");
    EXPECT_EQ(dict["unauthenticatedStartPage"], "https://other.example.org/s/");
    EXPECT_EQ(dict["shouldAuthenticate"], false);
    EXPECT_FALSE(dict.contains("remoteAccessConsumerKey")) << "none removes the key";
    EXPECT_EQ(dict["vendorExtra"], Json({{"kept", 1}}));

    // Through JSON text, as a stored file would go.
    auto reread = VQHybridViewConfig::create(*parseJson(serializeJson(dict, true)));
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->configDict(), dict);
    EXPECT_EQ(reread->startPage(), "/");
    EXPECT_FALSE(reread->shouldAuthenticate());
}

TEST(VQHybridViewConfig, MissingOrMistypedEntriesReadAsDefaults) {
    auto empty = VQHybridViewConfig::create(Json::object());
    auto mistyped = VQHybridViewConfig::create(Json{{"startPage", 5},
                                                    {"isLocal", "true"},
                                                    {"shouldAuthenticate", 0},
                                                    {"oauthScopes", {"web", 1}}});
    for (const auto& config : {empty, mistyped}) {
        ASSERT_NE(config, nullptr);
        EXPECT_EQ(config->startPage(), std::nullopt);
        EXPECT_EQ(config->unauthenticatedStartPage(), std::nullopt);
        EXPECT_FALSE(config->isLocal());
        EXPECT_TRUE(config->shouldAuthenticate());
        EXPECT_TRUE(config->oauthScopes().empty());
    }
}

} // namespace
