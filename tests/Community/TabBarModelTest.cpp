#include "VellicorApp/Community/TabBarModel.hpp"
#include "VellicorApp/Community/TabBarPersistentStore.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

using Json = platform::Json;
using Case = ParseableError::Case;

Json branding() { return {{"iconTintColor", "#112233"}}; }

Json item(int id) {
    return {{"id", id}, {"name", "Tab " + std::to_string(id)}, {"targetUrl", "https://community.example.test/s/t"},
            {"position", id}};
}

TEST(TabBarModel, ParsesTabsAndDropsMalformedOnes) {
    auto stringId = item(2);
    stringId["id"] = "2";
    auto badPayload = item(3);
    badPayload["iconDetails"] = {{"url", "https://a.example/i.png"}, {"payload", "not base64!"}, {"mimeType", "image/png"}};
    auto withIcon = item(4);
    withIcon["iconDetails"] = {{"url", "https://a.example/i.png"}, {"payload", "aGk="}, {"mimeType", "image/png"}};
    auto badTarget = item(5);
    badTarget["targetUrl"] = "http://[broken";
    auto iconNotObject = item(6);
    iconNotObject["iconDetails"] = "none";
    auto missingName = item(7);
    missingName.erase("name");

    const Json dict = {{"menuItems", {item(1), 42, "text", stringId, badPayload, withIcon, badTarget, iconNotObject,
                                      missingName}},
                       {"branding", {{"iconTintColor", "#112233"}, {"barTintColor", 5}, {"barTransparency", true},
                                     {"textColor", "#445566"}}},
                       {"changedSinceLastSession", true}};
    const auto model = TabBarModel::parseObject(dict);
    ASSERT_TRUE(model);
    ASSERT_EQ(model->tabs.size(), 3u);
    EXPECT_EQ(model->tabs[0].id, 1);
    EXPECT_EQ(model->tabs[0].name, "Tab 1");
    EXPECT_FALSE(model->tabs[0].icon);
    EXPECT_EQ(model->tabs[1].id, 4);
    ASSERT_TRUE(model->tabs[1].icon);
    EXPECT_EQ(model->tabs[1].icon->payload, platform::dataFromString("hi"));
    EXPECT_EQ(model->tabs[2].id, 6);
    EXPECT_EQ(model->tabs[0].targetURL.absoluteString(), "https://community.example.test/s/t");
    EXPECT_FALSE(model->metadata.barTintColor);
    EXPECT_TRUE(model->metadata.textColor);
    EXPECT_TRUE(model->metadata.barTransparency);
    EXPECT_TRUE(model->changedSinceLastSession);
}

TEST(TabBarModel, EmptyMenuIsASuccess) {
    const auto model = TabBarModel::parseObject({{"menuItems", Json::array()}, {"branding", branding()}});
    ASSERT_TRUE(model);
    EXPECT_TRUE(model->tabs.empty());
    EXPECT_FALSE(model->metadata.iconTintColorUnselected);
    EXPECT_FALSE(model->metadata.barTransparency);
    EXPECT_FALSE(model->changedSinceLastSession);
}

TEST(TabBarModel, MalformedDescriptionsFailWithTheirError) {
    struct Failure {
        const char* name;
        Json dict;
        Case expected;
    };
    const Failure cases[] = {
        {"menuItems an object", {{"menuItems", Json::object()}, {"branding", branding()}}, Case::missingConfig},
        {"no menuItems", {{"branding", branding()}}, Case::missingConfig},
        {"branding an array", {{"menuItems", Json::array()}, {"branding", Json::array()}}, Case::missingConfig},
        {"no iconTintColor", {{"menuItems", Json::array()}, {"branding", {{"textColor", "#000000"}}}},
         Case::missingRequiredAttributes},
        {"unreadable iconTintColor", {{"menuItems", Json::array()}, {"branding", {{"iconTintColor", "blue?"}}}},
         Case::missingRequiredAttributes},
        {"not an object", Json::array(), Case::missingConfig},
    };
    for (const auto& c : cases) {
        const auto model = TabBarModel::parseObject(c.dict);
        ASSERT_FALSE(model) << c.name;
        EXPECT_EQ(model.error().kind(), c.expected) << c.name;
    }
    EXPECT_EQ(TabModel::parseObject(Json::array()).error().kind(), Case::missingRequiredAttributes);
}

class TabBarPersistentStoreTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
};

TEST_F(TabBarPersistentStoreTest, TellsWhetherTheNavigationChanged) {
    const Json first = {{"menuItems", {item(1)}}, {"branding", branding()}, {"other", 1}};
    EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(first));
    EXPECT_EQ(TabBarPersistentStore().tabBarConfig(), first);
    EXPECT_FALSE(TabBarPersistentStore().updateTabBarConfig(first));

    auto otherKey = first;
    otherKey["other"] = 2;
    EXPECT_FALSE(TabBarPersistentStore().updateTabBarConfig(otherKey));
    EXPECT_EQ(TabBarPersistentStore().tabBarConfig()->at("other"), 2);

    auto newBranding = otherKey;
    newBranding["branding"]["barTintColor"] = "#000000";
    EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(newBranding));

    auto noMenu = newBranding;
    noMenu.erase("menuItems");
    EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(noMenu));

    EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(std::nullopt));
    EXPECT_FALSE(TabBarPersistentStore().tabBarConfig());
    EXPECT_FALSE(TabBarPersistentStore().updateTabBarConfig(std::nullopt));
}

TEST_F(TabBarPersistentStoreTest, FileIsEncryptedAndForeignFilesReadAsNone) {
    const Json config = {{"menuItems", Json::array()}, {"branding", branding()}};
    TabBarPersistentStore().updateTabBarConfig(config);
    const auto file =
        platform::Sandbox::applicationSupportDirectory() / "NativeNavigation" / "TabBarConfigModel.json";
    const auto bytes = platform::FileManager::defaultManager().contents(file);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(Json::parse(bytes->begin(), bytes->end(), nullptr, false).is_discarded());

    ASSERT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(config.dump())));
    EXPECT_FALSE(TabBarPersistentStore().tabBarConfig());
    // An unreadable stored copy counts as none: a present menu is a change.
    EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(config));
}

TEST_F(TabBarPersistentStoreTest, FailedWriteKeepsTheEarlierFile) {
    using Operation = platform::FileManager::Operation;
    const Json first = {{"menuItems", {item(1)}}, {"branding", branding()}};
    const Json second = {{"menuItems", {item(2)}}, {"branding", branding()}};
    for (const auto operation : {Operation::write, Operation::writeMidway}) {
        SCOPED_TRACE(operation == Operation::write ? "write refused" : "write failing midway");
        testsupport::freshSandbox();
        apptest::installContext(apptest::sampleResources());
        ASSERT_TRUE(TabBarPersistentStore().updateTabBarConfig(first));
        {
            apptest::FailingFileOperation failing(operation);
            EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(second));
        }
        EXPECT_EQ(TabBarPersistentStore().tabBarConfig(), first);
        EXPECT_EQ(apptest::appLogTexts("ERROR"),
                  std::vector<std::string>{"TabBarPersistentStore: Failed to write tabbar configuration."});
        EXPECT_TRUE(TabBarPersistentStore().updateTabBarConfig(second));
        EXPECT_EQ(TabBarPersistentStore().tabBarConfig(), second);
    }
}

} // namespace
