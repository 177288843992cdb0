#include "VellicorApp/Community/MultiSSOInfoStore.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class MultiSSOInfoStoreTest : public apptest::AppTest {};

platform::Json entry(const std::string& name) {
    return {{"name", name}, {"consumerKey", "key-" + name}, {"redirectURI", name + "://auth"}, {"scheme", name},
            {"icon", "aGk="}};
}

TEST_F(MultiSSOInfoStoreTest, ServiceProviderListIsAllOrNothing) {
    auto extra = entry("b");
    extra["description"] = "ignored";
    auto oldKey = entry("c");
    oldKey.erase("consumerKey");
    oldKey["clientID"] = "key-c";
    auto noIcon = entry("d");
    noIcon.erase("icon");
    struct Case {
        const char* name;
        std::optional<platform::Json> value;
        std::size_t count;
    };
    const Case cases[] = {
        {"absent", std::nullopt, 0},
        {"empty", platform::Json::array(), 0},
        {"two valid in order", platform::Json::array({entry("a"), extra}), 2},
        {"clientID instead of consumerKey", platform::Json::array({entry("a"), oldKey}), 0},
        {"entry without icon", platform::Json::array({noIcon}), 0},
        {"not an array", entry("a"), 0},
    };
    for (const auto& c : cases) {
        apptest::installContext([&](platform::Json& info) {
            info.erase("ServiceProviderApps");
            if (c.value) info["ServiceProviderApps"] = *c.value;
        });
        const auto list = MultiSSOInfoStore().serviceProviderAppInfo();
        EXPECT_EQ(list.size(), c.count) << c.name;
        if (c.count == 2) {
            EXPECT_EQ(list[0].clientID, "key-a");
            EXPECT_EQ(list[1].name, "b");
        }
    }
    const auto info = ServiceProviderAppInfo::decode(entry("a"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->encode(), R"({"name":"a","consumerKey":"key-a","redirectURI":"a://auth","scheme":"a","icon":"aGk="})");
    EXPECT_EQ(ServiceProviderAppInfo::decode(platform::Json::parse(info->encode())), info);
}

TEST_F(MultiSSOInfoStoreTest, SamplePackageOffersItsCompanionApp) {
    apptest::installContext(apptest::sampleResources());
    const auto list = MultiSSOInfoStore().serviceProviderAppInfo();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].clientID, "vellicor-companion-client");
}

TEST_F(MultiSSOInfoStoreTest, KeychainGroupAndAppNameAndScheme) {
    apptest::installContext([](platform::Json& info) {
        info.erase("AppIdentifierPrefix");
        info["CFBundleDisplayName"] = "Vellicor";
        info["CFBundleURLTypes"] = {{{"CFBundleURLSchemes", {"first", "second"}}}, {{"CFBundleURLSchemes", {"other"}}}};
    });
    EXPECT_FALSE(MultiSSOInfoStore().keyChainGroupName());
    const std::map<std::string, std::string> expected = {{"appName", "Vellicor"}, {"scheme", "first"}};
    EXPECT_EQ(MultiSSOInfoStore().fetchAppNameAndScheme(), expected);

    apptest::installContext([](platform::Json& info) {
        info["AppIdentifierPrefix"] = "ABCDE12345.";
        info.erase("CFBundleDisplayName");
        info["CFBundleURLTypes"] = {{{"CFBundleURLSchemes", {"first"}}}};
    });
    EXPECT_EQ(MultiSSOInfoStore().keyChainGroupName(),
              std::string("ABCDE12345.") + MultiSSOInfoStore::kSharedKeychainGroupSuffix);
    EXPECT_TRUE(MultiSSOInfoStore().fetchAppNameAndScheme().empty());
}

} // namespace
