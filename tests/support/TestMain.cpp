#include "tests/support/TestSupport.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Zentari/VQZTSdk.hpp"
#include "Platform/System/BackgroundTaskScheduler.hpp"
#include "Platform/System/UserNotificationCenter.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Window.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport {
namespace {

std::shared_ptr<platform::ManualClock> gClock;
std::vector<std::filesystem::path> gSandboxes;

std::filesystem::path makeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellicor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        platform::fatalError("cannot create a temporary sandbox");
    }
    return pattern;
}

class PerTestState : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        platform::MainQueue::reset();
        platform::Console::clear();
        platform::Reachability::setOffline(false);
        gClock->set(kStartTime);
        freshSandbox();
        // The device key lies outside the sandbox, as it does for the app; each test has its own.
        auto keyFolder = makeTempFolder();
        gSandboxes.push_back(keyFolder);
        platform::veltrane::KeychainHelper::setDeviceKeyFolder(keyFolder);
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        platform::ui::Application::shared().reset();
        platform::ui::Window::resetAll();
        platform::system::UNUserNotificationCenter::current()->resetForTesting();
        platform::system::BGTaskScheduler::shared()->resetForTesting();
        platform::zentari::VQZTSdk::resetForTesting();
        platform::MainQueue::reset();
        platform::NotificationCenter::defaultCenter()->removeAllObservers();
        platform::LogSink::closeAll();
        // A start of the crash service belongs to the test that made it.
        platform::appcenter::MSACAppCenter::resetForTesting();
        // No background write may land in a folder about to go.
        platform::UserDefaults::synchronizeAll();
        for (const auto& folder : gSandboxes) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
        gSandboxes.clear();
    }
};

} // namespace

std::shared_ptr<platform::ManualClock> clock() { return gClock; }

std::filesystem::path sandboxRoot() { return platform::Sandbox::root().value_or(std::filesystem::path{}); }

std::filesystem::path freshSandbox() {
    auto folder = makeTempFolder();
    gSandboxes.push_back(folder);
    platform::LogSink::closeAll();
    platform::Sandbox::setRoot(folder);
    return folder;
}

} // namespace testsupport

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // Death tests fork; "threadsafe" re-executes the program so worker threads
    // of the parent do not confuse the child.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::gClock = std::make_shared<platform::ManualClock>(testsupport::kStartTime);
    platform::setCurrentClock(testsupport::gClock);
    platform::MainQueue::bindToCurrentThread();
    platform::Console::setMuted(true);
    ::testing::UnitTest::GetInstance()->listeners().Append(new testsupport::PerTestState);
    return RUN_ALL_TESTS();
}
