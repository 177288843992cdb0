#include "VellicorApp/Instrumentation/AppCenterManager.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "tests/Instrumentation/AppCenterTestSupport.hpp"
#include "tests/Instrumentation/IngestionServerFixture.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

using namespace vellicor;
using platform::appcenter::MSACAppCenter;
using platform::appcenter::MSACCrashes;
using platform::appcenter::MSACErrorReport;
using platform::appcenter::MSACLogLevel;
using platform::appcenter::MSACService;
using platform::veltrane::UIDevice;

namespace {

/// Replaces a logger's file with `text` (none: no file).
void setLogFile(std::size_t loggerIndex, const std::optional<std::string>& text) {
    const auto path = Logger::allLoggers().at(loggerIndex)->fileLogger()->logFilePath();
    platform::LogSink::closeAll();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!text) return;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << *text;
}

std::string framed(const std::string& component, const std::string& text) {
    const std::string rule(80, '=');
    return rule + "\n" + component + ":\n" + rule + "\n " + text + " \n\n";
}

std::string attachmentText(AppCenterManager& manager) {
    const auto attachments = manager.attachments(MSACCrashes::shared(), MSACErrorReport{});
    EXPECT_TRUE(attachments && attachments->size() == 1u);
    if (!attachments || attachments->empty()) return {};
    const auto& attachment = attachments->front();
    EXPECT_EQ(attachment.filename(), "CrashLog.txt");
    EXPECT_EQ(attachment.contentType(), "text/plain");
    return std::string(attachment.data().begin(), attachment.data().end());
}

class AppCenterManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        context = apptest::installContext();
        for (std::size_t i = 0; i < Logger::allLoggers().size(); ++i) setLogFile(i, std::nullopt);
    }
    void TearDown() override { UIDevice::resetForTesting(); }

    std::shared_ptr<Context> context;
};

TEST_F(AppCenterManagerTest, NamesTheSignedInOrganizationAndUser) {
    EXPECT_EQ(AppCenterManager::userString(), "orgId:not_logged_in userId:not_logged_in");
    // The ids go to App Center as they are.
    appcentertest::signInWithIdentity(*context, "005ab0cdef12345xyz", "00Dorg", "alice@example.test");
    EXPECT_EQ(AppCenterManager::userString(), "orgId:00Dorg userId:005ab0cdef12345xyz");
}

TEST_F(AppCenterManagerTest, AttachesTheEndOfEachLogFileFramedByItsComponent) {
    const auto& loggers = Logger::allLoggers();
    ASSERT_GE(loggers.size(), 3u);
    // Three million two-byte characters: the cut counts characters, not bytes.
    std::string big;
    big.reserve(6'000'010);
    big += "START";
    for (int i = 0; i < 3'000'000 - 10; ++i) big += "\u00e9";
    big += "END!!";
    setLogFile(0, "first file");
    setLogFile(1, big);
    setLogFile(2, std::nullopt);

    auto manager = AppCenterManager::create();
    const auto text = attachmentText(*manager);

    const auto kept = big.substr(big.size() - 2 * (AppCenterManager::kMaxLogSize - 5) - 5);
    ASSERT_EQ(platform::characterCount(kept), AppCenterManager::kMaxLogSize);
    EXPECT_TRUE(text == framed(loggers[0]->componentName(), "first file") + framed(loggers[1]->componentName(), kept))
        << text.substr(0, 300);
}

TEST_F(AppCenterManagerTest, MasksUserIdsInTheAttachment) {
    setLogFile(1, "Signed in 005ab0cdef12345xyz\nagain 005ab0cdef12345xyz");
    auto manager = AppCenterManager::create();
    EXPECT_EQ(attachmentText(*manager),
              framed(Logger::allLoggers()[1]->componentName(), "Signed in [...12345]\nagain [...12345]"));
}

TEST_F(AppCenterManagerTest, AttachesAnEmptyTextWithoutLogFiles) {
    auto manager = AppCenterManager::create();
    EXPECT_EQ(attachmentText(*manager), "");
    EXPECT_TRUE(manager->crashesShouldProcess(MSACCrashes::shared(), MSACErrorReport{}));
}

TEST_F(AppCenterManagerTest, StartsAppCenterWithItsServicesAndTheUser) {
    appcentertest::signInWithIdentity(*context, "005xx0yyyy98765", "00Dorg", "bob@example.test");
    auto manager = AppCenterManager::create();
    manager->start();

    EXPECT_TRUE(MSACAppCenter::isConfigured());
    EXPECT_EQ(MSACAppCenter::appSecret(), "00000000-0000-4000-8000-000000000000");
    EXPECT_EQ(MSACAppCenter::services(), (std::vector{MSACService::analytics, MSACService::crashes}));
    EXPECT_EQ(MSACAppCenter::logLevel(), MSACLogLevel::warning);
    EXPECT_EQ(MSACAppCenter::userId(), "orgId:00Dorg userId:005xx0yyyy98765");
    EXPECT_TRUE(instrtest::logTexts("WARNING", "AppCenterManager").empty());
}

TEST_F(AppCenterManagerTest, StartsNothingOnASimulatorOutsideUnitTests) {
    UIDevice::setSimulator(true);
    AppCenterManager::create()->start();
    EXPECT_FALSE(MSACAppCenter::isConfigured());
    EXPECT_EQ(MSACAppCenter::userId(), std::nullopt);
}

TEST_F(AppCenterManagerTest, StartsWithAnEmptySecretWhenTheConfigurationHasNone) {
    apptest::installContext([](platform::Json& info) { info.erase("AppCenterAppSecret"); });
    AppCenterManager::create()->start();
    EXPECT_EQ(MSACAppCenter::appSecret(), "");
}

class AppCenterCrashReportTest : public appcentertest::IngestionServerFixture {
protected:
    // The server starts after the crashed run: that run is a forked child,
    // and forking beside the server's many threads can hang the child.
    void SetUp() override {}
    void TearDown() override {
        UIDevice::resetForTesting();
        IngestionServerFixture::TearDown();
    }
};

TEST_F(AppCenterCrashReportTest, SendsThePreviousRunsCrashWithTheMaskedLogsOfTheUserSignedInNow) {
    auto context = apptest::installContext();
    Logger::info("Signed in 005ab0cdef12345xyz", "Test");
    appcentertest::crashPreviousRun("Storyboard is not configured properly!");
    startServer();

    auto manager = AppCenterManager::create();
    manager->start();
    EXPECT_EQ(instrtest::logTexts("WARNING", "AppCenterManager"), std::vector<std::string>{"DidCrashInLastSession"});
    // Signed in after the start: the report names the user of the time it is sent.
    appcentertest::signInWithIdentity(*context, "005xx0yyyy98765", "00Dorg", "bob@example.test");
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return server->ingestedLogs().size() == 1u && platform::BackgroundActivity::inFlight() == 0;
    }));

    const auto report = server->ingestedLogs().front();
    EXPECT_EQ(report.appSecret, "00000000-0000-4000-8000-000000000000");
    EXPECT_EQ(report.installId, MSACAppCenter::installId());
    const auto& logs = report.document["logs"];
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0]["type"], "appleError");
    EXPECT_EQ(logs[0]["exceptionReason"], "Storyboard is not configured properly!");
    EXPECT_EQ(logs[0]["userId"], "orgId:00Dorg userId:005xx0yyyy98765");
    EXPECT_EQ(logs[1]["errorId"], logs[0]["id"]);
    std::ifstream file(report.folder / "CrashLog.txt");
    const std::string crashLog((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(crashLog.find("Test: Signed in [...12345]"), std::string::npos) << crashLog;
    EXPECT_EQ(crashLog.find("005ab0cdef12345"), std::string::npos);

    // Sent once: the record is gone.
    MSACAppCenter::resetForTesting();
    EXPECT_FALSE(MSACCrashes::hasCrashedInLastSession());
}

} // namespace
