#include "TarnixKORVAInstrumentation/TarnixKORVALogger.hpp"

#include "TarnixPlatformClient/TarnixNativeService.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

using platform::Json;
using platform::veltrane::VQAErrorType;
using platform::veltrane::VQAEventType;
using platform::veltrane::VQASchemaType;
using platform::veltrane::VQSDKEventStoreManager;
using platform::veltrane::VQSDKInstrumentationEvent;
using platform::veltrane::VQSDKVeltraneAnalyticsManager;
using tarnix::TarnixKORVALogger;
using tarnix::TarnixLogLevel;

namespace {

using Events = std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>;

class Failure : public tarnix::TarnixPluginFailure {
public:
    std::string failureCode() const override { return "E42"; }
    std::string failureMessage() const override { return "Camera unavailable"; }
};

class TarnixKORVALoggerTest : public ::testing::Test {
protected:
    void TearDown() override {
        settle();
        store()->deleteAllEvents();
    }

    static std::shared_ptr<VQSDKVeltraneAnalyticsManager> manager() {
        return VQSDKVeltraneAnalyticsManager::sharedInstanceWithUser({"user-7", "org-3"});
    }
    static std::shared_ptr<VQSDKEventStoreManager> store() { return VQSDKEventStoreManager::sharedInstance(); }

    /// Waits until every queued event has been stored.
    static void settle() {
        ASSERT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
    }

    /// Every stored event, once the queued ones have been stored.
    static Events storedEvents() {
        settle();
        return store()->fetchAllEvents().value_or(Events{});
    }

    /// The one stored event; fails the test when there is not exactly one.
    static std::shared_ptr<const VQSDKInstrumentationEvent> onlyEvent() {
        auto events = storedEvents();
        EXPECT_EQ(events.size(), 1u);
        return events.size() == 1 ? events.front() : nullptr;
    }
};

TEST_F(TarnixKORVALoggerTest, AnInfoLineBecomesOneLogEvent) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->log("BarcodeScanner", "1.2", "scan", "camera opened", TarnixLogLevel::INFO);

    const auto event = onlyEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->name, "BarcodeScanner");
    EXPECT_EQ(event->schemaType, VQASchemaType::error);
    EXPECT_EQ(event->eventType, VQAEventType::error);
    EXPECT_EQ(event->errorType, VQAErrorType::info);
    EXPECT_EQ(event->startTime, 0);
    EXPECT_EQ(event->endTime, 0);
    EXPECT_EQ(event->attributes,
              (Json{{"plugin_version", "1.2"}, {"task_name", "scan"}, {"message", "INFO-camera opened"}}));
    EXPECT_EQ(event->page, (Json{{"context", "native"}}));
    EXPECT_EQ(event->userId, "user-7");
    EXPECT_EQ(event->orgId, "org-3");
}

TEST_F(TarnixKORVALoggerTest, LinesMoreVerboseThanTheLoggerAreDropped) {
    struct Case {
        TarnixLogLevel logger;
        TarnixLogLevel line;
        std::optional<VQAErrorType> recorded; // none: nothing stored
    };
    const Case cases[] = {
        {TarnixLogLevel::INFO, TarnixLogLevel::ERROR, VQAErrorType::error},
        {TarnixLogLevel::INFO, TarnixLogLevel::WARNING, VQAErrorType::warn},
        {TarnixLogLevel::INFO, TarnixLogLevel::INFO, VQAErrorType::info},
        {TarnixLogLevel::INFO, TarnixLogLevel::DEBUG, std::nullopt},
        {TarnixLogLevel::DEBUG, TarnixLogLevel::DEBUG, VQAErrorType::info},
        {TarnixLogLevel::ERROR, TarnixLogLevel::ERROR, VQAErrorType::error},
        {TarnixLogLevel::ERROR, TarnixLogLevel::WARNING, std::nullopt},
        {TarnixLogLevel::WARNING, TarnixLogLevel::INFO, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(tarnix::description(c.logger) + " logger, " + tarnix::description(c.line) + " line");
        auto logger = TarnixKORVALogger::create(manager(), c.logger);
        logger->log("NFCService", "2.0", "read", "text", c.line);
        const auto events = storedEvents();
        if (!c.recorded) {
            EXPECT_TRUE(events.empty());
            continue;
        }
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events.front()->errorType, c.recorded);
        EXPECT_EQ(events.front()->attributes->at("message"), tarnix::description(c.line) + "-text");
        store()->deleteAllEvents();
    }
}

TEST_F(TarnixKORVALoggerTest, AFinishedTaskBecomesOneActivityEvent) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->tarnixTaskStarted("BarcodeScanner", "1.2", "scan");
    testsupport::clock()->advance(1.5);
    logger->tarnixTaskEnded("BarcodeScanner", "1.2", "scan", Json{{"barcode_type", "EAN-13"}}, nullptr);

    const auto event = onlyEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->name, "BarcodeScanner");
    EXPECT_EQ(event->schemaType, VQASchemaType::interaction);
    EXPECT_EQ(event->eventType, VQAEventType::user);
    EXPECT_EQ(event->errorType, std::nullopt);
    const auto start = static_cast<std::int64_t>(testsupport::kStartTime * 1000);
    EXPECT_EQ(event->startTime, start);
    EXPECT_EQ(event->endTime, start + 1500);
    EXPECT_EQ(event->attributes, (Json{{"plugin_version", "1.2"},
                                       {"task_name", "scan"},
                                       {"message", ""},
                                       {"barcode_type", "EAN-13"}}));
    EXPECT_EQ(event->page, (Json{{"context", "native"}}));
}

TEST_F(TarnixKORVALoggerTest, AFailedTaskCarriesTheFailureDescription) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    const Failure failure;
    logger->tarnixTaskStarted("ContactsService", "3.0", "pick");
    logger->tarnixTaskEnded("ContactsService", "3.0", "pick", Json{{"item_count", 3}}, &failure);

    const auto event = onlyEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->attributes, (Json{{"plugin_version", "3.0"},
                                       {"task_name", "pick"},
                                       {"message", "Camera unavailable [E42]"},
                                       {"item_count", 3}}));
}

TEST_F(TarnixKORVALoggerTest, AnEndWithoutAnOpenTaskRecordsNothing) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->tarnixTaskEnded("LocationService", "1", "locate", std::nullopt, nullptr);
    EXPECT_TRUE(storedEvents().empty()) << "never started";

    logger->tarnixTaskStarted("LocationService", "1", "locate");
    logger->tarnixTaskEnded("LocationService", "1", "locate", std::nullopt, nullptr);
    logger->tarnixTaskEnded("LocationService", "1", "locate", std::nullopt, nullptr);
    EXPECT_EQ(storedEvents().size(), 1u) << "the second end finds no open task";
}

TEST_F(TarnixKORVALoggerTest, TasksAreMatchedOnIdVersionAndName) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->tarnixTaskStarted("LocationService", "1", "locate");
    logger->tarnixTaskEnded("LocationService", "2", "locate", std::nullopt, nullptr);
    logger->tarnixTaskEnded("LocationService", "1", "track", std::nullopt, nullptr);
    logger->tarnixTaskEnded("GeofencingService", "1", "locate", std::nullopt, nullptr);
    EXPECT_TRUE(storedEvents().empty());

    logger->tarnixTaskEnded("LocationService", "1", "locate", std::nullopt, nullptr);
    EXPECT_EQ(storedEvents().size(), 1u);
}

TEST_F(TarnixKORVALoggerTest, ASecondStartReplacesTheFirst) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->tarnixTaskStarted("DocumentScanner", "1", "scan");
    testsupport::clock()->advance(10);
    logger->tarnixTaskStarted("DocumentScanner", "1", "scan");
    logger->tarnixTaskEnded("DocumentScanner", "1", "scan", std::nullopt, nullptr);
    logger->tarnixTaskEnded("DocumentScanner", "1", "scan", std::nullopt, nullptr);

    const auto event = onlyEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->startTime, static_cast<std::int64_t>((testsupport::kStartTime + 10) * 1000));
}

TEST_F(TarnixKORVALoggerTest, WithoutAManagerNothingIsRecordedButTasksStillOpen) {
    auto logger = TarnixKORVALogger::create(nullptr, TarnixLogLevel::DEBUG);
    logger->log("NFCService", "1", "read", "text", TarnixLogLevel::ERROR);
    logger->tarnixTaskStarted("NFCService", "1", "read");
    logger->tarnixTaskEnded("NFCService", "1", "read", std::nullopt, nullptr);
    EXPECT_TRUE(storedEvents().empty());

    // An end without a manager does not close the task: once a manager is
    // there, the task opened before can still end.
    logger->tarnixTaskStarted("NFCService", "1", "write");
    logger->tarnixTaskEnded("NFCService", "1", "write", std::nullopt, nullptr);
    logger->setAnalyticsManager(manager());
    logger->tarnixTaskEnded("NFCService", "1", "write", std::nullopt, nullptr);
    const auto event = onlyEvent();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->attributes->at("task_name"), "write");
}

TEST_F(TarnixKORVALoggerTest, AnEventTheBuilderRejectsIsNotStored) {
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    logger->log("", "1", "task", "no plug-in id", TarnixLogLevel::ERROR);
    logger->tarnixTaskStarted("", "1", "task");
    logger->tarnixTaskEnded("", "1", "task", std::nullopt, nullptr);
    EXPECT_TRUE(storedEvents().empty());
}

TEST_F(TarnixKORVALoggerTest, WorksAsTheLoggerOfANativeService) {
    class Scanner : public tarnix::TarnixNativeService {
    public:
        std::string pluginId() const override { return "BarcodeScanner"; }
        std::string pluginVersion() const override { return "4.0"; }
        EnablementCheck enablementCheck() const override { return {}; }
        void setEnablementCheck(EnablementCheck) override {}
        std::shared_ptr<tarnix::TarnixLogger> loggerDelegate() const override { return logger; }
        void setLoggerDelegate(std::shared_ptr<tarnix::TarnixLogger> value) override { logger = std::move(value); }
        std::shared_ptr<tarnix::TarnixLogger> logger;
    } scanner;
    scanner.setLoggerDelegate(TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO));

    scanner.log("scan", "opened", TarnixLogLevel::WARNING);
    scanner.tarnixTaskStarted("scan");
    scanner.tarnixTaskEnded("scan", Json{{"barcode_type", "QR"}}, nullptr);

    std::map<VQASchemaType, Json> attributesBySchema;
    for (const auto& event : storedEvents()) attributesBySchema[event->schemaType] = *event->attributes;
    EXPECT_EQ(attributesBySchema[VQASchemaType::error],
              (Json{{"plugin_version", "4.0"}, {"task_name", "scan"}, {"message", "WARNING-opened"}}));
    EXPECT_EQ(attributesBySchema[VQASchemaType::interaction],
              (Json{{"plugin_version", "4.0"}, {"task_name", "scan"}, {"message", ""}, {"barcode_type", "QR"}}));
}

// Many plug-in threads start and end their own tasks at once: every finished
// task is stored exactly once.
TEST_F(TarnixKORVALoggerTest, EveryTaskFinishedOnManyThreadsIsStoredOnce) {
    constexpr int kThreads = 8;
    constexpr int kTasksPerThread = 100;
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([logger, t] {
            const std::string plugin = "CalendarService";
            // Open a batch, then close it in reverse, so that many tasks of
            // all threads are open at once.
            for (int batch = 0; batch < kTasksPerThread; batch += 10) {
                for (int i = batch; i < batch + 10; ++i) {
                    logger->tarnixTaskStarted(plugin, std::to_string(t), "task-" + std::to_string(i));
                }
                for (int i = batch + 9; i >= batch; --i) {
                    logger->tarnixTaskEnded(plugin, std::to_string(t), "task-" + std::to_string(i),
                                            Json{{"item_count", i}}, nullptr);
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();

    std::map<std::string, int> seen;
    for (const auto& event : storedEvents()) {
        const auto& attributes = *event->attributes;
        const auto task = attributes.at("task_name").get<std::string>();
        ++seen[attributes.at("plugin_version").get<std::string>() + "/" + task];
        EXPECT_EQ("task-" + std::to_string(attributes.at("item_count").get<int>()), task);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kTasksPerThread));
    for (const auto& [task, count] : seen) EXPECT_EQ(count, 1) << task;
}

// Several threads race to end the same open tasks: each task ends once.
TEST_F(TarnixKORVALoggerTest, RacingEndsOfOneTaskStoreItOnce) {
    constexpr int kTasks = 100;
    constexpr int kThreads = 6;
    auto logger = TarnixKORVALogger::create(manager(), TarnixLogLevel::INFO);
    for (int i = 0; i < kTasks; ++i) logger->tarnixTaskStarted("GeofencingService", "1", std::to_string(i));

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([logger] {
            for (int i = 0; i < kTasks; ++i) {
                logger->tarnixTaskEnded("GeofencingService", "1", std::to_string(i), std::nullopt, nullptr);
            }
        });
    }
    for (auto& thread : threads) thread.join();

    std::map<std::string, int> seen;
    for (const auto& event : storedEvents()) ++seen[event->attributes->at("task_name").get<std::string>()];
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kTasks));
    for (const auto& [task, count] : seen) EXPECT_EQ(count, 1) << task;
}

} // namespace
