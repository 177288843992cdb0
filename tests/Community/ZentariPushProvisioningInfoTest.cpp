#include "VellicorApp/Community/ZentariPushProvisioningInfo.hpp"

#include "Platform/Foundation/Json.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using ::testing::HasSubstr;

namespace {

const Json kEntry{
    {"name", "production"},
    {"appid", "app-1"},
    {"accesstoken", "token-1"},
    {"applicationcontrolsbadging", true},
    {"zentari_server_url", "https://marketing.example.test/"},
    {"mid", "100"},
    {"location", false},
    {"inbox", true},
    {"delayregistrationuntilcontactkeyisset", true},
};

TEST(ZentariPushProvisioningInfo, DecodesEveryField) {
    const auto info = ZentariPushProvisioningInfo::decode(kEntry);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->name, "production");
    EXPECT_EQ(info->appID, "app-1");
    EXPECT_EQ(info->accessToken, "token-1");
    EXPECT_TRUE(info->applicationControlsBadging);
    EXPECT_EQ(info->appEndPoint, "https://marketing.example.test/");
    EXPECT_EQ(info->mid, "100");
    EXPECT_FALSE(info->location);
    EXPECT_TRUE(info->inbox);
    EXPECT_TRUE(info->delayRegistrationUntilContactKeyIsSet);
}

TEST(ZentariPushProvisioningInfo, DecodingRules) {
    struct Case {
        const char* name;
        std::function<void(Json&)> edit;
        bool decodes;
    };
    const Case cases[] = {
        {"no name", [](Json& j) { j.erase("name"); }, true},
        {"null name", [](Json& j) { j["name"] = nullptr; }, true},
        {"name that is no string", [](Json& j) { j["name"] = 1; }, false},
        {"unknown member", [](Json& j) { j["extra"] = "ignored"; }, true},
        {"empty strings", [](Json& j) { j["appid"] = ""; j["zentari_server_url"] = "not a url"; }, true},
        {"inbox as a string", [](Json& j) { j["inbox"] = "true"; }, false},
        {"inbox as a number", [](Json& j) { j["inbox"] = 1; }, false},
        {"appid in another case", [](Json& j) { j["AppId"] = j["appid"]; j.erase("appid"); }, false},
        {"null required value", [](Json& j) { j["mid"] = nullptr; }, false},
        {"mid as a number", [](Json& j) { j["mid"] = 100; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto json = kEntry;
        c.edit(json);
        EXPECT_EQ(ZentariPushProvisioningInfo::decode(json).has_value(), c.decodes);
    }
    for (const char* key : {"appid", "accesstoken", "applicationcontrolsbadging", "zentari_server_url", "mid", "location",
                            "inbox", "delayregistrationuntilcontactkeyisset"}) {
        auto json = kEntry;
        json.erase(key);
        const auto decoded = ZentariPushProvisioningInfo::decode(json);
        ASSERT_FALSE(decoded) << key;
        EXPECT_THAT(decoded.error().localizedDescription(), HasSubstr(key));
    }
}

TEST(ZentariPushProvisioningInfo, TheFirstFailureInKeyOrderIsReported) {
    auto json = kEntry;
    json.erase("inbox");
    json["accesstoken"] = 5;
    const auto decoded = ZentariPushProvisioningInfo::decode(json);
    ASSERT_FALSE(decoded);
    EXPECT_THAT(decoded.error().localizedDescription(), HasSubstr("accesstoken"));
}

TEST(ZentariPushProvisioningInfo, EncodingRoundTrips) {
    auto withExtra = kEntry;
    withExtra["extra"] = 1;
    const auto info = ZentariPushProvisioningInfo::decode(withExtra).value();
    EXPECT_EQ(info.encode(), kEntry);
    EXPECT_EQ(ZentariPushProvisioningInfo::decode(info.encode()), info);

    auto unnamed = info;
    unnamed.name.reset();
    EXPECT_FALSE(unnamed.encode().contains("name"));
    EXPECT_EQ(ZentariPushProvisioningInfo::decode(unnamed.encode()), unnamed);
}

TEST(ZentariPushProvisioningInfo, AsJSONShowsOneMemberPerLine) {
    auto info = ZentariPushProvisioningInfo::decode(kEntry).value();
    const auto text = info.asJSON();
    ASSERT_TRUE(text);
    EXPECT_EQ(platform::parseJson(*text), kEntry);
    EXPECT_EQ(std::count(text->begin(), text->end(), '\n'), 10);
    info.name.reset();
    const auto unnamed = info.asJSON();
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(std::count(unnamed->begin(), unnamed->end(), '\n'), 9);
}

TEST(ZentariPushProvisioningInfo, AsJSONIsTheDisplayText) {
    auto info = ZentariPushProvisioningInfo::decode(kEntry).value();
    info.name.reset();
    EXPECT_EQ(info.asJSON(), "{\n"
                             "  \"accesstoken\" : \"token-1\",\n"
                             "  \"appid\" : \"app-1\",\n"
                             "  \"applicationcontrolsbadging\" : true,\n"
                             "  \"delayregistrationuntilcontactkeyisset\" : true,\n"
                             "  \"inbox\" : true,\n"
                             "  \"location\" : false,\n"
                             "  \"mid\" : \"100\",\n"
                             "  \"zentari_server_url\" : \"https:\\/\\/marketing.example.test\\/\"\n"
                             "}");
}

TEST(ZentariPushProvisioningInfo, TheTwoFileShapesDoNotReadAsEachOther) {
    const Json named{{"production", kEntry}, {"sandbox", kEntry}};
    EXPECT_FALSE(ZentariPushProvisioningInfo::decode(named));
    const auto entries = ZentariPushProvisioningInfo::decodeNamedEntries(named);
    ASSERT_TRUE(entries);
    EXPECT_EQ(entries->size(), 2u);
    EXPECT_FALSE(ZentariPushProvisioningInfo::decodeNamedEntries(kEntry));

    auto spoiled = named;
    spoiled["sandbox"].erase("mid");
    EXPECT_FALSE(ZentariPushProvisioningInfo::decodeNamedEntries(spoiled));
}

} // namespace
