#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"

#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace platform;
using namespace platform::veltrane;

namespace {

auto manager() { return VQSDKAnalyticsManager::create(VQUserAccountIdentity{"user-42", "org-7"}); }

TEST(VQSDKInstrumentationEventBuilder, BuildsWhatTheBlockSets) {
    int calls = 0;
    auto event = VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&calls](VQSDKInstrumentationEventBuilder& b) {
            ++calls;
            b.setName("AppDeepLink");
            b.setSchemaType(VQASchemaType::interaction);
            b.setErrorType(VQAErrorType::info);
            b.setSessionId("session-1");
            b.setStartTime(12250);
            b.setEventType(VQAEventType::user);
            b.setSenderId("upgrade_popup_accept");
            b.setSenderParentId("forceUpgrade");
            b.setSenderContext(Json{{"k", "v"}});
            b.setPage(Json{{"context", "native"}});
            b.setAttributes(Json{{"isColdStart", "coldStart"}});
        },
        manager());
    EXPECT_EQ(calls, 1);
    ASSERT_NE(event, nullptr);
    EXPECT_TRUE(VQSDKInstrumentationEvent::isValidEventId(event->eventId));
    EXPECT_EQ(event->name, "AppDeepLink");
    EXPECT_EQ(event->schemaType, VQASchemaType::interaction);
    EXPECT_EQ(event->eventType, VQAEventType::user);
    EXPECT_EQ(event->errorType, VQAErrorType::info);
    EXPECT_EQ(event->sessionId, "session-1");
    EXPECT_EQ(event->startTime, 12250);
    EXPECT_EQ(event->endTime, 0);
    EXPECT_EQ(event->senderId, "upgrade_popup_accept");
    EXPECT_EQ(event->senderParentId, "forceUpgrade");
    EXPECT_EQ(event->senderContext, Json({{"k", "v"}}));
    EXPECT_EQ(event->page, Json({{"context", "native"}}));
    EXPECT_EQ(event->attributes, Json({{"isColdStart", "coldStart"}}));
    EXPECT_EQ(event->userId, "user-42");
    EXPECT_EQ(event->orgId, "org-7");

    auto anonymous = VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [](auto& b) {
            b.setName("NativeLoad");
            b.setSchemaType(VQASchemaType::performance);
        },
        VQSDKAnalyticsManager::create(std::nullopt));
    ASSERT_NE(anonymous, nullptr);
    EXPECT_EQ(anonymous->userId, std::nullopt);
    EXPECT_NE(anonymous->eventId, event->eventId);
}

TEST(VQSDKInstrumentationEventBuilder, IncompleteOrInvalidEventsAreNotBuilt) {
    using Block = std::function<void(VQSDKInstrumentationEventBuilder&)>;
    const Block complete = [](VQSDKInstrumentationEventBuilder& b) {
        b.setName("E");
        b.setSchemaType(VQASchemaType::error);
        b.setErrorType(VQAErrorType::error);
    };
    struct Case {
        const char* name;
        Block block;
        bool withManager = true;
    };
    const Case cases[] = {
        {"no manager", complete, false},
        {"no block", nullptr},
        {"no name", [](auto& b) { b.setSchemaType(VQASchemaType::error); }},
        {"no schema type", [](auto& b) { b.setName("E"); }},
        {"page not an object", [&](auto& b) { complete(b); b.setPage(Json::array()); }},
        {"attributes not an object", [&](auto& b) { complete(b); b.setAttributes(Json("x")); }},
        {"sender context not an object", [&](auto& b) { complete(b); b.setSenderContext(Json(1)); }},
        {"negative start", [&](auto& b) { complete(b); b.setStartTime(-1); }},
        {"negative end", [&](auto& b) { complete(b); b.setEndTime(-5); }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(c.block, c.withManager ? manager() : nullptr),
                  nullptr)
            << c.name;
    }
    EXPECT_NE(VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(complete, manager()), nullptr);
}

TEST(VQSDKInstrumentationEvent, StoredFormRoundTripsAndRejectsDamage) {
    auto event = VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [](auto& b) {
            b.setName("BarcodeScanner");
            b.setSchemaType(VQASchemaType::interaction);
            b.setEventType(VQAEventType::user);
            b.setStartTime(1700000000000);
            b.setEndTime(1700000000500);
            b.setPage(Json{{"context", "native"}});
            b.setAttributes(Json{{"item_count", 3}, {"message", ""}});
        },
        manager());
    ASSERT_NE(event, nullptr);
    const Json stored = event->jsonRepresentation();
    auto back = VQSDKInstrumentationEvent::fromJson(*parseJson(serializeJson(stored)));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, *event);

    const struct {
        const char* key;
        Json value;
    } damage[] = {{"eventId", "has/slash"}, {"eventId", ""},         {"name", 5},          {"schemaType", 4},
                  {"schemaType", "0"},      {"eventType", 9},        {"errorType", -1},    {"startTime", 1.5},
                  {"page", "native"},       {"attributes", Json::array()}, {"sessionId", false}};
    for (const auto& d : damage) {
        Json broken = stored;
        broken[d.key] = d.value;
        EXPECT_EQ(VQSDKInstrumentationEvent::fromJson(broken), nullptr) << d.key << " = " << d.value;
    }
    Json missing = stored;
    missing.erase("name");
    EXPECT_EQ(VQSDKInstrumentationEvent::fromJson(missing), nullptr);
    EXPECT_EQ(VQSDKInstrumentationEvent::fromJson(Json::array()), nullptr);
}

} // namespace
