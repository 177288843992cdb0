#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"

#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKKORVATransform.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::veltrane::VQAEventType;
using platform::veltrane::VQASchemaType;
using platform::veltrane::VQSDKInstrumentationEvent;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

/// An event store that gives what it was given and records deletions.
class FakeEventStore : public platform::veltrane::VQSDKEventStoreManaging {
public:
    void storeEvent(std::shared_ptr<const VQSDKInstrumentationEvent> event) override {
        if (event) events->push_back(std::move(event));
    }
    std::optional<std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>> fetchAllEvents() override {
        return events;
    }
    void deleteEvents(const std::optional<std::vector<std::string>>& eventIds) override {
        deletions.push_back(eventIds.value_or(std::vector<std::string>{}));
    }
    void deleteAllEvents() override { events->clear(); }

    std::optional<std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>> events =
        std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>{};
    std::vector<std::vector<std::string>> deletions;
};

std::shared_ptr<const VQSDKInstrumentationEvent> interaction(const std::string& id, Json attributes = Json::object()) {
    auto event = std::make_shared<VQSDKInstrumentationEvent>();
    event->eventId = id;
    event->name = "AppDeepLink";
    event->schemaType = VQASchemaType::interaction;
    event->eventType = VQAEventType::user;
    event->startTime = 1'700'000'000'000;
    event->attributes = std::move(attributes);
    return event;
}

/// An interaction without an event type, which the SDK's transform refuses.
std::shared_ptr<const VQSDKInstrumentationEvent> untransformable(const std::string& id) {
    auto event = std::make_shared<VQSDKInstrumentationEvent>(*interaction(id));
    event->eventType.reset();
    return event;
}

class CommunityEventStoreManagerTest : public instrtest::InstrumentationTest {
protected:
    std::shared_ptr<FakeEventStore> store = std::make_shared<FakeEventStore>();
    std::shared_ptr<CommunityEventStoreManager> manager = CommunityEventStoreManager::create(store);

    std::vector<std::string> infoLines() const { return instrtest::logTexts("INFO", "CommunityEventStoreManager"); }
    std::vector<std::string> errorLines() const { return instrtest::logTexts("ERROR", "CommunityEventStoreManager"); }
};

TEST_F(CommunityEventStoreManagerTest, NothingToSendGivesNoPayload) {
    for (const bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable ? "unreadable store" : "empty store");
        if (unreadable) store->events.reset();
        EXPECT_EQ(manager->payload("txn"), std::nullopt);
    }
    EXPECT_THAT(manager->store(), IsEmpty());
    EXPECT_THAT(infoLines(), ElementsAre("Failed to fetch events.", "Failed to fetch events."));
}

TEST_F(CommunityEventStoreManagerTest, EachTransformedEventIsOneLogLine) {
    store->storeEvent(interaction("E1", Json{{"label", "Site"}}));
    store->storeEvent(untransformable("E2"));
    store->storeEvent(interaction("E3"));

    const auto payload = manager->payload("T1");
    ASSERT_TRUE(payload);
    const auto& lines = payload->at("logLines");
    ASSERT_EQ(lines.size(), 2u);

    auto expected = platform::veltrane::VQSDKKORVATransform::create()->transform(*interaction("E1", Json{{"label", "Site"}}));
    ASSERT_TRUE(expected);
    EXPECT_EQ(expected->at("schemaType"), "interaction");
    expected->erase("schemaType");
    EXPECT_EQ(lines[0].at("code"), "korva");
    EXPECT_EQ(lines[0].at("data").at("schemaType"), "interaction");
    EXPECT_EQ(platform::parseJson(lines[0].at("data").at("payload").get<std::string>()), expected);
    EXPECT_EQ(platform::parseJson(lines[1].at("data").at("payload").get<std::string>())->at("eventId"), "E3");

    // Every fetched event belongs to the transaction, the refused one too.
    EXPECT_EQ(manager->store(), (CommunityEventStoreManager::TransactionStore{{"T1", {"E1", "E2", "E3"}}}));
}

TEST_F(CommunityEventStoreManagerTest, PayloadTextIsUnescapedAndPercentDecoded) {
    struct Case {
        const char* name;
        std::string value;
        std::string expectedValue;
    };
    const Case cases[] = {
        {"slashes and an escape", "a/b%20c", "a/b c"},
        // A text that does not decode is sent as it is, not dropped.
        {"a percent sign without two hex digits", "100%", "100%"},
        {"a bare percent sign and a slash", "50% of a/b", "50% of a/b"},
        {"plain text", "plain", "plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store->events->assign({interaction("E1", Json{{"value", c.value}})});
        const auto payload = manager->payload("T");
        ASSERT_TRUE(payload);
        const auto& data = payload->at("logLines").at(0).at("data");
        EXPECT_EQ(data.at("schemaType"), "interaction");
        ASSERT_TRUE(data.contains("payload"));
        const auto text = data.at("payload").get<std::string>();
        EXPECT_EQ(text.find("\\/"), std::string::npos);
        const auto parsed = platform::parseJson(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(parsed->at("attributes").at("value"), c.expectedValue);
    }
}

TEST_F(CommunityEventStoreManagerTest, ConfirmingATransactionDeletesExactlyItsEvents) {
    store->storeEvent(interaction("E1"));
    ASSERT_TRUE(manager->payload("T1"));
    store->storeEvent(interaction("E2"));
    ASSERT_TRUE(manager->payload("T2")); // E1 again: it was not confirmed yet
    ASSERT_TRUE(manager->payload("T2")); // the same transaction again keeps this call's ids
    EXPECT_EQ(manager->store(), (CommunityEventStoreManager::TransactionStore{{"T1", {"E1"}}, {"T2", {"E1", "E2"}}}));

    manager->deleteEvents("T1");
    EXPECT_THAT(store->deletions, ElementsAre(ElementsAre("E1")));
    EXPECT_EQ(manager->store(), (CommunityEventStoreManager::TransactionStore{{"T2", {"E1", "E2"}}}));
    EXPECT_THAT(infoLines(), ElementsAre("Deleting event with transactionID 'T1"));

    manager->deleteEvents("T1"); // already confirmed
    manager->deleteEvents("unknown");
    EXPECT_EQ(store->deletions.size(), 1u);
    EXPECT_THAT(errorLines(), ElementsAre("Failed to delete events", "Failed to delete events"));

    manager->clearStore();
    EXPECT_THAT(manager->store(), IsEmpty());
    manager->deleteEvents("T2");
    EXPECT_EQ(store->deletions.size(), 1u);
}

TEST_F(CommunityEventStoreManagerTest, HandsOverTheSDKsStoredEvents) {
    const auto sdkStore = platform::veltrane::VQSDKEventStoreManager::sharedInstance();
    const auto real = CommunityEventStoreManager::create(sdkStore);
    sdkStore->storeEvent(interaction("E1"));
    sdkStore->storeEvent(interaction("E2"));

    const auto payload = real->payload("T1");
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->at("logLines").size(), 2u);
    sdkStore->storeEvent(interaction("E3")); // arrives while the page reads

    real->deleteEvents("T1");
    const auto left = sdkStore->fetchAllEvents();
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 1u);
    EXPECT_EQ(left->front()->eventId, "E3");
}

} // namespace
