#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "tests/Platform/SDKs/AppCenterCrashSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

TEST(MSACCrashesDeathTest, ATestCrashEndsTheProcessAbnormally) {
    EXPECT_EXIT(platform::appcenter::MSACCrashes::generateTestCrash(), ::testing::KilledBySignal(SIGABRT),
                "App Center: generating a test crash\\.");
}

// The crash service across runs --------------------------------------------------

namespace {

using platform::appcenter::MSACAppCenter;
using platform::appcenter::MSACCrashes;
using platform::appcenter::MSACCrashesDelegate;
using platform::appcenter::MSACErrorAttachmentLog;
using platform::appcenter::MSACErrorReport;
using platform::appcenter::MSACService;

class RecordingDelegate : public MSACCrashesDelegate {
public:
    bool crashesShouldProcess(MSACCrashes&, const MSACErrorReport& report) override {
        EXPECT_TRUE(platform::MainQueue::isMainThread());
        asked.push_back(report);
        return process;
    }
    void crashesWillSend(MSACCrashes&, const MSACErrorReport&) override { ++willSend; }
    std::optional<std::vector<MSACErrorAttachmentLog>> attachments(MSACCrashes&, const MSACErrorReport&) override {
        ++attachmentsAsked;
        return std::nullopt;
    }

    bool process = true;
    std::vector<MSACErrorReport> asked;
    int willSend = 0;
    int attachmentsAsked = 0;
};

TEST(MSACCrashes, AFreshInstallHasNoPreviousRun) {
    EXPECT_FALSE(MSACCrashes::hasCrashedInLastSession());
    EXPECT_FALSE(MSACCrashes::hasReceivedMemoryWarningInLastSession());
}

TEST(MSACCrashes, AFatalErrorAndATestCrashAreReportedByTheNextRun) {
    const std::pair<std::function<void()>, const char*> crashes[] = {
        {[] { platform::fatalError("Storyboard is not configured properly!"); }, "Storyboard is not configured"},
        {[] { MSACCrashes::generateTestCrash(); }, "generating a test crash"},
    };
    for (const auto& [crash, message] : crashes) {
        SCOPED_TRACE(message);
        testsupport::freshSandbox();
        appcentertest::crashPreviousRun(crash, message);
        EXPECT_TRUE(MSACCrashes::hasCrashedInLastSession());

        auto delegate = std::make_shared<RecordingDelegate>();
        MSACCrashes::setDelegate(delegate);
        MSACAppCenter::start("secret", {MSACService::crashes});
        testsupport::pump();
        ASSERT_EQ(delegate->asked.size(), 1u);
        EXPECT_NE(delegate->asked[0].reason.find(message), std::string::npos);
        EXPECT_EQ(delegate->willSend, 1);
        EXPECT_EQ(delegate->attachmentsAsked, 1);
        EXPECT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
        MSACAppCenter::resetForTesting();
    }
}

TEST(MSACCrashes, ACrashBeforeTheServiceStartedLeavesNoRecord) {
    const auto style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_DEATH(platform::fatalError("early"), "early");
    GTEST_FLAG_SET(death_test_style, style);
    MSACAppCenter::resetForTesting();
    EXPECT_FALSE(MSACCrashes::hasCrashedInLastSession());
}

TEST(MSACCrashes, AReportIsKeptUntilAStartWithASecretAndDroppedWhenDeclined) {
    appcentertest::crashPreviousRun([] { platform::fatalError("boom"); }, "boom");
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->process = false;
    MSACCrashes::setDelegate(delegate);

    MSACAppCenter::start("", {MSACService::crashes});
    testsupport::pump();
    EXPECT_TRUE(delegate->asked.empty());
    MSACAppCenter::resetForTesting();
    MSACCrashes::setDelegate(delegate);
    EXPECT_TRUE(MSACCrashes::hasCrashedInLastSession());

    MSACAppCenter::start("secret", {MSACService::crashes});
    testsupport::pump();
    EXPECT_EQ(delegate->asked.size(), 1u);
    EXPECT_EQ(delegate->willSend, 0);
    MSACAppCenter::resetForTesting();
    EXPECT_FALSE(MSACCrashes::hasCrashedInLastSession());
}

TEST(MSACCrashes, AReportThatCannotBeSentWaitsForTheNextStart) {
    // A package whose configuration names the ingestion service; the device is offline.
    const auto package = testsupport::sandboxRoot() / "App.app";
    std::filesystem::create_directories(package);
    ASSERT_TRUE(platform::PropertyList::write(
        package / "Info.plist", platform::Json{{"AppCenterIngestionOrigin", "https://in.appcenter.example.test"}}));
    platform::Bundle::setMainBundlePath(package);
    appcentertest::crashPreviousRun([] { platform::fatalError("boom"); }, "boom");
    platform::Reachability::setOffline(true);

    MSACAppCenter::start("secret", {MSACService::crashes});
    testsupport::pump();
    // The post fails on a worker thread; the record stays.
    ASSERT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
    platform::Reachability::setOffline(false);
    MSACAppCenter::resetForTesting();
    EXPECT_TRUE(MSACCrashes::hasCrashedInLastSession());
}

TEST(MSACCrashes, AMemoryWarningIsTheNextRunsOnly) {
    EXPECT_FALSE(MSACCrashes::hasReceivedMemoryWarningInLastSession());
    MSACCrashes::receivedMemoryWarning();
    // This run's warning is not the previous run's.
    EXPECT_FALSE(MSACCrashes::hasReceivedMemoryWarningInLastSession());
    MSACAppCenter::resetForTesting(); // the next run
    EXPECT_TRUE(MSACCrashes::hasReceivedMemoryWarningInLastSession());
    MSACAppCenter::resetForTesting(); // and the one after, without a warning
    EXPECT_FALSE(MSACCrashes::hasReceivedMemoryWarningInLastSession());
}

TEST(MSACAppCenter, KeepsTheFirstStartAndOneInstallId) {
    MSACAppCenter::start("first", {MSACService::analytics});
    MSACAppCenter::start("second", {MSACService::crashes});
    EXPECT_EQ(MSACAppCenter::appSecret(), "first");
    EXPECT_EQ(MSACAppCenter::services(), std::vector{MSACService::analytics});
    const auto id = MSACAppCenter::installId();
    EXPECT_TRUE(platform::Uuid::fromString(id));
    MSACAppCenter::resetForTesting();
    EXPECT_EQ(MSACAppCenter::installId(), id);
}

TEST(MSACErrorAttachmentLog, NeedsANameAndAContentType) {
    EXPECT_TRUE(MSACErrorAttachmentLog::make("CrashLog.txt", {}, "text/plain"));
    EXPECT_FALSE(MSACErrorAttachmentLog::make("", {}, "text/plain"));
    EXPECT_FALSE(MSACErrorAttachmentLog::make("CrashLog.txt", {}, ""));
}

} // namespace
