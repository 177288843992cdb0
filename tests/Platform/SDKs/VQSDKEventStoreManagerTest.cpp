#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEventBuilder.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include <atomic>
#include <map>
#include <random>
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

std::vector<std::string> ids(const std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>& events) {
    std::vector<std::string> result;
    for (const auto& e : events) result.push_back(e->eventId);
    return result;
}

class VQSDKEventStoreManagerTest : public ::testing::Test {
protected:
    /// The names in the store's folder that are neither hidden nor strangers.
    std::vector<std::string> storeFiles() const {
        std::vector<std::string> result;
        for (const auto& name : FileManager::defaultManager().contentsOfDirectory(folder).value_or(std::vector<std::string>{})) {
            if (name.ends_with(".json") || name.ends_with(".jsonl")) result.push_back(name);
        }
        return result;
    }

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

TEST_F(VQSDKEventStoreManagerTest, EventsStoredTogetherShareOneFileUntilAllAreDeleted) {
    const auto one = makeEvent("one"), two = makeEvent("two"), three = makeEvent("three");
    store->storeEvents({one, nullptr, two, three});
    ASSERT_EQ(storeFiles().size(), 1u);
    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(store->numberOfEvents(), 3u);

    store->storeEvent(makeEvent("four"));
    store->deleteEvents(std::vector<std::string>{two->eventId});
    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"one", "three", "four"}));
    EXPECT_EQ(storeFiles().size(), 2u) << "a partly deleted batch keeps its file";
    EXPECT_EQ(names(VQSDKEventStoreManager::create(folder)->fetchAllEvents().value()),
              (std::vector<std::string>{"one", "three", "four"}))
        << "the rewrite is on disk";

    store->deleteEvents(std::vector<std::string>{one->eventId, three->eventId});
    EXPECT_EQ(storeFiles().size(), 1u) << "a batch with nothing left is removed";
    EXPECT_EQ(names(store->fetchAllEvents().value()), std::vector<std::string>{"four"});
}

TEST_F(VQSDKEventStoreManagerTest, UnreadableEventsAreDroppedAndStrangersIgnored) {
    store->storeEvent(makeEvent("good"));
    auto& files = FileManager::defaultManager();
    ASSERT_TRUE(files.write(folder / "00000000000000000099-BROKEN-1.json", dataFromString("{not json")));
    ASSERT_TRUE(files.write(folder / "00000000000000000098-WRONG-ID.json",
                            dataFromString(serializeJson(makeEvent("mismatch")->jsonRepresentation()))));
    // A batch with one damaged line between two good ones, and one with nothing readable.
    const auto line = [](const std::string& name) { return serializeJson(makeEvent(name)->jsonRepresentation()) + "\n"; };
    const auto first = line("batch-1"), second = line("batch-2");
    ASSERT_TRUE(files.write(folder / "00000000000000000100.jsonl",
                            dataFromString(first + "{\"eventId\": \"TRUNC\n" + second)));
    ASSERT_TRUE(files.write(folder / "00000000000000000101.jsonl", dataFromString("[]\n\n")));
    ASSERT_TRUE(files.write(folder / "notes.txt", dataFromString("not an event")));
    ASSERT_TRUE(files.write(folder / ".00000000000000000102.jsonl.a1b2c3", dataFromString("{\"half")));

    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"good", "batch-1", "batch-2"}));
    EXPECT_FALSE(files.fileExists(folder / "00000000000000000099-BROKEN-1.json"));
    EXPECT_FALSE(files.fileExists(folder / "00000000000000000098-WRONG-ID.json"));
    EXPECT_FALSE(files.fileExists(folder / "00000000000000000101.jsonl"));
    EXPECT_TRUE(files.fileExists(folder / "notes.txt"));
    // The damaged line is gone from its batch; the good ones stay.
    const auto rewritten = readFile(folder / "00000000000000000100.jsonl");
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(std::string(rewritten->begin(), rewritten->end()), first + second);
    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"good", "batch-1", "batch-2"}));

    // A store opened on the folder numbers its files after every file in it.
    VQSDKEventStoreManager::create(folder)->storeEvent(makeEvent("after"));
    EXPECT_EQ(names(store->fetchAllEvents().value()).back(), "after");
}

TEST_F(VQSDKEventStoreManagerTest, AFileThatCannotBeReadForNowIsKept) {
    store->storeEvents({makeEvent("one"), makeEvent("two")});
    auto& files = FileManager::defaultManager();
    files.setFailureInjector([](FileManager::Operation op, const std::filesystem::path& path) -> std::optional<Error> {
        if (op == FileManager::Operation::read && path.extension() == ".jsonl") return Error("NSCocoaErrorDomain", 257);
        return std::nullopt;
    });
    EXPECT_TRUE(store->fetchAllEvents().value().empty());
    files.setFailureInjector(nullptr);
    EXPECT_EQ(names(store->fetchAllEvents().value()), (std::vector<std::string>{"one", "two"}));
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

/// Stores batches of events until killed, reporting on `out` each event once
/// its store call has returned ("S <id>"); every fifth round deletes its two
/// oldest events, reporting them before ("P <id>") and after ("D <id>").
[[noreturn]] void storeUntilKilled(const std::filesystem::path& folder, int out, int run) {
    const auto store = VQSDKEventStoreManager::create(folder);
    std::vector<std::string> kept;
    for (int round = 0;; ++round) {
        std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> batch;
        for (int i = 0; i <= round % 7; ++i) {
            batch.push_back(makeEvent("run" + std::to_string(run), Json{{"round", round}, {"i", i}}));
        }
        store->storeEvents(batch);
        for (const auto& event : batch) {
            ::dprintf(out, "S %s\n", event->eventId.c_str());
            kept.push_back(event->eventId);
        }
        if (round % 5 == 4 && kept.size() >= 2) {
            const std::vector<std::string> oldest(kept.begin(), kept.begin() + 2);
            for (const auto& id : oldest) ::dprintf(out, "P %s\n", id.c_str());
            store->deleteEvents(oldest);
            kept.erase(kept.begin(), kept.begin() + 2);
            for (const auto& id : oldest) ::dprintf(out, "D %s\n", id.c_str());
        }
    }
}

TEST_F(VQSDKEventStoreManagerTest, AWriterKilledAtAnyMomentLosesNothingItReportedAndLeavesNoPartialFile) {
    std::mt19937 random(16);
    std::set<std::string> stored;  // reported stored and not about to be deleted
    std::set<std::string> deleted; // reported deleted
    for (int run = 0; run < 12; ++run) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            storeUntilKilled(folder, pipeFds[1], run);
        }
        // Never left running, whatever fails below.
        struct KillAtExit {
            pid_t pid;
            ~KillAtExit() {
                if (pid <= 0) return;
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        } killAtExit{child};
        ::close(pipeFds[1]);
        // Killed after a random number of reports, wherever its next write then is.
        const int killAfter = std::uniform_int_distribution(1, 60)(random);
        FILE* reports = ::fdopen(pipeFds[0], "r");
        ASSERT_TRUE(reports);
        char line[128];
        for (int count = 0; std::fgets(line, sizeof line, reports); ++count) {
            if (count == killAfter) ::kill(child, SIGKILL);
            std::string text(line);
            if (text.ends_with('\n')) text.pop_back();
            const auto id = text.substr(2);
            if (text.starts_with("S ")) stored.insert(id);
            if (text.starts_with("P ")) stored.erase(id);
            if (text.starts_with("D ")) deleted.insert(id);
        }
        std::fclose(reports);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        killAtExit.pid = -1;
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer stopped on its own in run " << run;

        SCOPED_TRACE("after run " + std::to_string(run));
        // Every file the store would read decodes whole.
        for (const auto& name : storeFiles()) {
            const auto data = readFile(folder / name);
            ASSERT_TRUE(data) << name;
            const std::string text(data->begin(), data->end());
            ASSERT_TRUE(text.ends_with('\n')) << name << " is cut short";
            std::size_t begin = 0;
            for (auto end = text.find('\n'); end != std::string::npos; begin = end + 1, end = text.find('\n', begin)) {
                const auto json = parseJson(std::string_view(text).substr(begin, end - begin));
                EXPECT_TRUE(json && VQSDKInstrumentationEvent::fromJson(*json)) << name << " holds a damaged line";
            }
        }
        const auto found = ids(VQSDKEventStoreManager::create(folder)->fetchAllEvents().value());
        const std::set<std::string> present(found.begin(), found.end());
        EXPECT_EQ(present.size(), found.size()) << "an event is stored twice";
        for (const auto& id : stored) EXPECT_TRUE(present.contains(id)) << "lost: " << id;
        for (const auto& id : deleted) EXPECT_FALSE(present.contains(id)) << "deleted, yet back: " << id;
    }
    EXPECT_GT(stored.size(), 12u);
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
