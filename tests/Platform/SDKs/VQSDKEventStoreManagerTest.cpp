#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>
#include <thread>
#include <vector>

using namespace platform;
using namespace platform::veltrane;

namespace {

std::shared_ptr<const VQSDKInstrumentationEvent> makeEvent(const std::string& name, Json attributes = Json::object()) {
    static const auto manager = VQSDKAnalyticsManager::create(std::nullopt);
    return VQSDKInstrumentationEventBuilder::buildEventWithBuilderBlock(
        [&](VQSDKInstrumentationEventBuilder& b) {
            b.setName(name);
            b.setSchemaType(VQASchemaType::performance);
            b.setAttributes(attributes);
        },
        manager);
}

std::vector<std::string> names(const std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>& events) {
    std::vector<std::string> result;
    for (const auto& e : events) result.push_back(e->name);
    return result;
}

class VQSDKEventStoreManagerTest : public ::testing::Test {
protected:
    std::filesystem::path folder = testsupport::sandboxRoot() / "events";
    std::shared_ptr<VQSDKEventStoreManager> store = VQSDKEventStoreManager::create(folder);
};

TEST_F(VQSDKEventStoreManagerTest, KeepsEventsInStoringOrderUntilDeleted) {
    EXPECT_EQ(store->fetchAllEvents(), std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>{});
    std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> stored;
    for (const char* name : {"one", "two", "three", "four"}) {
        stored.push_back(makeEvent(name));
        store->storeEvent(stored.back());
    }
    store->storeEvent(nullptr);
    auto fetched = store->fetchAllEvents();
    ASSERT_TRUE(fetched);
    EXPECT_EQ(names(*fetched), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(*fetched->at(2), *stored[2]) << "an event comes back as it was stored";

    store->deleteEvents(std::vector<std::string>{stored[1]->eventId, stored[3]->eventId, "UNKNOWN-ID"});
    store->deleteEvents(std::nullopt);
    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(store->numberOfEvents(), 2u);

    store->deleteAllEvents();
    EXPECT_TRUE(store->fetchAllEvents().value().empty());
}

TEST_F(VQSDKEventStoreManagerTest, EventsSurviveARelaunchAndKeepTheirOrder) {
    store->storeEvent(makeEvent("before-1"));
    store->storeEvent(makeEvent("before-2"));
    auto relaunched = VQSDKEventStoreManager::create(folder);
    relaunched->storeEvent(makeEvent("after"));
    EXPECT_EQ(names(relaunched->fetchAllEvents().value()), (std::vector<std::string>{"before-1", "before-2", "after"}));
}

TEST_F(VQSDKEventStoreManagerTest, UnreadableFilesAreDroppedAndStrangersIgnored) {
    store->storeEvent(makeEvent("good"));
    auto& files = FileManager::defaultManager();
    ASSERT_TRUE(files.write(folder / "00000000000000000099-BROKEN-1.json", dataFromString("{not json")));
    ASSERT_TRUE(files.write(folder / "00000000000000000098-WRONG-ID.json",
                            dataFromString(serializeJson(makeEvent("mismatch")->jsonRepresentation()))));
    ASSERT_TRUE(files.write(folder / "notes.txt", dataFromString("not an event")));
    EXPECT_EQ(names(store->fetchAllEvents().value()), std::vector<std::string>{"good"});
    EXPECT_FALSE(files.fileExists(folder / "00000000000000000099-BROKEN-1.json"));
    EXPECT_FALSE(files.fileExists(folder / "00000000000000000098-WRONG-ID.json"));
    EXPECT_TRUE(files.fileExists(folder / "notes.txt"));
}

TEST_F(VQSDKEventStoreManagerTest, ConcurrentWritersAndAConsumerLoseNothing) {
    constexpr int kWriters = 8;
    constexpr int kPerWriter = 60;
    std::atomic<int> writersDone{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < kPerWriter; ++i) store->storeEvent(makeEvent("w" + std::to_string(w), Json{{"i", i}}));
            ++writersDone;
        });
    }
    // The page hand-over: fetch what is there, confirm it, repeat.
    std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> consumed;
    std::thread consumer([&] {
        while (true) {
            const bool last = writersDone == kWriters;
            auto batch = store->fetchAllEvents().value();
            std::vector<std::string> ids;
            for (const auto& e : batch) ids.push_back(e->eventId);
            store->deleteEvents(ids);
            consumed.insert(consumed.end(), batch.begin(), batch.end());
            if (last) break;
        }
    });
    for (auto& t : threads) t.join();
    consumer.join();

    std::set<std::string> ids;
    std::map<std::string, int> nextIndex;
    for (const auto& e : consumed) {
        EXPECT_TRUE(ids.insert(e->eventId).second) << "handed over twice: " << e->eventId;
        EXPECT_EQ(e->attributes->at("i"), nextIndex[e->name]++) << "each writer's events stay in order";
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kWriters * kPerWriter));
    EXPECT_TRUE(store->fetchAllEvents().value().empty());
}

TEST(VQSDKEventStoreManagerShared, LivesInTheSandboxAndFollowsIt) {
    auto shared = VQSDKEventStoreManager::sharedInstance();
    EXPECT_EQ(shared, VQSDKEventStoreManager::sharedInstance());
    EXPECT_EQ(shared->storeFolder(), Sandbox::applicationSupportDirectory() / "VeltraneAnalytics" / "EventStore");
    shared->storeEvent(makeEvent("first install"));
    EXPECT_EQ(shared->numberOfEvents(), 1u);
    testsupport::freshSandbox();
    EXPECT_TRUE(shared->fetchAllEvents().value().empty());
    shared->storeEvent(makeEvent("second install"));
    EXPECT_EQ(names(shared->fetchAllEvents().value()), std::vector<std::string>{"second install"});
}

} // namespace
