#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include "Platform/Foundation/LogSink.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

using namespace platform::veltrane;

namespace {

TEST(VQSDKLogger, OneLoggerPerComponentName) {
    auto a = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.A");
    auto b = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.B");
    EXPECT_EQ(a, VQSDKLogger::sharedInstanceWithComponent("LoggerTest.A"));
    EXPECT_EQ(a, VQLogger::sharedInstanceWithComponent("LoggerTest.A"));
    EXPECT_NE(a, b);
    EXPECT_EQ(a->componentName(), "LoggerTest.A");
    EXPECT_EQ(VQSDKLogger::sharedInstance(), VQSDKLogger::sharedInstanceWithComponent(kVQDefaultComponentName));

    const std::set<std::string> names = {kVQDefaultComponentName,      kVQAnalyticsComponentName,
                                         kVQCoreComponentName,         kVQOfflineStoreComponentName,
                                         kVQDataSyncComponentName,     kVQHybridComponentName};
    EXPECT_EQ(names.size(), 6u) << "the SDK's component names are distinct";
}

TEST(VQSDKLogger, ConcurrentFirstUseGivesOneLogger) {
    std::vector<std::shared_ptr<VQSDKLogger>> seen(16);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.Race"); });
    }
    for (auto& t : threads) t.join();
    for (const auto& logger : seen) EXPECT_EQ(logger, seen.front());
}

TEST(VQSDKLogger, LevelDecidesWhichMessagesReachTheFile) {
    struct Case {
        std::uint32_t level;
        const char* passes; // e w i d v
    };
    const Case cases[] = {
        {VQLogLevel::off, "-----"},     {VQLogLevel::error, "e----"}, {VQLogLevel::warning, "ew---"},
        {VQLogLevel::info, "ewi--"},    {7, "ewi--"},                 {VQLogLevel::debug, "ewid-"},
        {VQLogLevel::verbose, "ewidv"},
    };
    for (const auto& c : cases) {
        const std::string component = "LoggerTest.Level" + std::to_string(c.level);
        auto logger = VQSDKLogger::sharedInstanceWithComponent(component);
        logger->setLogLevel(c.level);
        logger->e("Cls", "message-e");
        logger->w("Cls", "message-w");
        logger->i("Cls", "message-i");
        logger->d("Cls", "message-d");
        logger->v("Cls", "message-v");
        const std::string file = logger->fileLogger()->readFile().value_or("");
        const std::string kinds = "ewidv";
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            const bool expected = c.passes[k] != '-';
            EXPECT_EQ(file.find(std::string("message-") + kinds[k]) != std::string::npos, expected)
                << "level " << c.level << " kind " << kinds[k];
        }
    }
}

TEST(VQSDKLogger, NewLoggersPassDebugUntilTheLevelIsSet) {
    auto logger = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.Default");
    EXPECT_EQ(logger->logLevel(), VQSDKLogger::kDefaultLogLevel);
    EXPECT_TRUE(logger->passes(VQLogFlag::debug));
    EXPECT_FALSE(logger->passes(VQLogFlag::verbose));
}

TEST(VQSDKFileLogger, ReadsTheWholeCurrentFileInOrder) {
    auto logger = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.File");
    logger->setLogLevel(VQLogLevel::info);
    EXPECT_FALSE(logger->fileLogger()->readFile().has_value()) << "nothing logged in this sandbox yet";

    logger->i("AppCoordinator", "AppCoordinator: first");
    logger->e("FaultManager", "FaultManager: second");
    const auto file = logger->fileLogger()->readFile();
    ASSERT_TRUE(file.has_value());
    const auto first = file->find("INFO [AppCoordinator] AppCoordinator: first");
    const auto second = file->find("ERROR [FaultManager] FaultManager: second");
    ASSERT_NE(first, std::string::npos) << *file;
    ASSERT_NE(second, std::string::npos) << *file;
    EXPECT_LT(first, second);
    EXPECT_EQ(*file, platform::LogSink::readAll("LoggerTest.File").value_or(""));
    EXPECT_EQ(logger->fileLogger()->logFilePath(), platform::LogSink::fileFor("LoggerTest.File"));
}

class RecordingLogger : public VQSDKLogger {
public:
    static std::shared_ptr<VQSDKLogger> create(const std::string& name) {
        return std::shared_ptr<VQSDKLogger>(new RecordingLogger(name));
    }
    std::vector<std::string> lines;

protected:
    explicit RecordingLogger(std::string name) : VQSDKLogger(std::move(name)) {}
    void writeLine(VQLogFlag flag, std::string_view className, std::string_view message) override {
        lines.push_back(std::string(className) + ":" + std::string(message));
        VQSDKLogger::writeLine(flag, className, message);
    }
};

TEST(VQLogger, InstanceClassMakesOnlyLoggersOfNewNames) {
    auto before = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.Before");
    VQLogger::setInstanceClass<RecordingLogger>();
    auto after = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.After");
    VQLogger::setInstanceClass([](const std::string&) { return RecordingLogger::create("another name"); });
    auto misnamed = VQSDKLogger::sharedInstanceWithComponent("LoggerTest.Misnamed");
    VQLogger::setInstanceClass(nullptr);

    EXPECT_EQ(dynamic_cast<RecordingLogger*>(before.get()), nullptr);
    auto* recording = dynamic_cast<RecordingLogger*>(after.get());
    ASSERT_NE(recording, nullptr);
    after->i("Cls", "hello");
    EXPECT_EQ(recording->lines, std::vector<std::string>{"Cls:hello"});
    EXPECT_TRUE(after->fileLogger()->readFile().value_or("").find("hello") != std::string::npos);
    EXPECT_EQ(misnamed->componentName(), "LoggerTest.Misnamed") << "a logger of the wrong name is not registered";
    EXPECT_EQ(VQSDKLogger::sharedInstanceWithComponent("LoggerTest.After"), after);
}

} // namespace
