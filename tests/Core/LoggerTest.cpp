#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::ElementsAre;

namespace {

const std::string kBanner(80, '=');

TEST(Logger, WritesTypeNameColonMessageAtEachLevel) {
    Logger::info("Started.", "AppCoordinator");
    Logger::warning("Careful.", "NSBundle");
    Logger::error("Broken.", "ConfigFileCache");

    const auto lines = apptest::appLogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].level, "INFO");
    EXPECT_EQ(lines[0].className, "AppCoordinator");
    EXPECT_EQ(lines[0].text, "AppCoordinator: Started.");
    EXPECT_EQ(lines[1].level, "WARNING");
    EXPECT_EQ(lines[1].text, "NSBundle: Careful.");
    EXPECT_EQ(lines[2].level, "ERROR");
    EXPECT_EQ(lines[2].className, "ConfigFileCache");
    EXPECT_EQ(lines[2].text, "ConfigFileCache: Broken.");
}

TEST(Logger, ReadLogFileIsNoneWithoutALogFile) { EXPECT_EQ(Logger::readLogFile(), std::nullopt); }

TEST(Logger, ReadLogFilePutsTheBannerFirst) {
    Logger::info("hello", "Test");
    const auto text = Logger::readLogFile();
    ASSERT_TRUE(text);
    const auto header = kBanner + "\n Vellicor App\n" + kBanner + "\n";
    ASSERT_TRUE(text->starts_with(header));
    EXPECT_EQ(text->substr(header.size()), platform::LogSink::readAll(Logger::kComponentName).value());
}

TEST(Logger, ReadLogFileKeepsTheFirstTwoMebiCharacters) {
    // A file of two-byte characters, longer than the cap in characters: the
    // cut counts characters, not bytes, and keeps the start of the file.
    const auto logFile = platform::LogSink::fileFor(Logger::kComponentName);
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(logFile.parent_path()));
    std::string fileText = "oldest line\n";
    for (std::size_t i = 0; i < Logger::kMaximumLogFileCharacters; ++i) fileText += "\xC3\xA9"; // é
    ASSERT_TRUE(platform::writeFileAtomically(logFile, platform::dataFromString(fileText)));

    const auto text = Logger::readLogFile();
    ASSERT_TRUE(text);
    EXPECT_EQ(platform::characterCount(*text), Logger::kMaximumLogFileCharacters);
    EXPECT_TRUE(text->starts_with(kBanner + "\n Vellicor App\n" + kBanner + "\noldest line\n\xC3\xA9"));
}

TEST(Logger, ReadLogFileLeavesAShortFileWhole) {
    const auto logFile = platform::LogSink::fileFor(Logger::kComponentName);
    ASSERT_TRUE(platform::FileManager::defaultManager().createDirectory(logFile.parent_path()));
    ASSERT_TRUE(platform::writeFileAtomically(logFile, platform::dataFromString("a\nb\n")));
    EXPECT_EQ(Logger::readLogFile(), kBanner + "\n Vellicor App\n" + kBanner + "\na\nb\n");
}

TEST(Logger, AllLoggersAreTheSevenInOrder) {
    std::vector<std::string> names;
    for (const auto& logger : Logger::allLoggers()) names.push_back(logger->componentName());
    using namespace platform::veltrane;
    EXPECT_THAT(names, ElementsAre(kVQDefaultComponentName, "VellicorApp", kVQAnalyticsComponentName,
                                   kVQCoreComponentName, kVQOfflineStoreComponentName, kVQDataSyncComponentName,
                                   kVQHybridComponentName));
}

TEST(Logger, ConfigureLogLevelSetsEveryLoggerToInfo) {
    for (const auto& logger : Logger::allLoggers()) logger->setLogLevel(platform::veltrane::VQLogLevel::verbose);
    Logger::configureLogLevel();
    for (const auto& logger : Logger::allLoggers()) {
        EXPECT_EQ(logger->logLevel(), 7u) << logger->componentName();
    }
    // At the info level, the SDK's debug lines of the app's component are dropped.
    platform::veltrane::VQSDKLogger::sharedInstanceWithComponent(Logger::kComponentName)->d("Test", "debug line");
    Logger::info("info line", "Test");
    const auto lines = apptest::appLogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "Test: info line");
}

} // namespace
