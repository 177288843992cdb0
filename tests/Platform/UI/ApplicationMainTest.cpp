#include "Platform/UI/ApplicationMain.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace platform::ui;

namespace {

/// An app package holding only its Info.plist, in the test's sandbox.
std::filesystem::path makePackage() {
    const auto folder = testsupport::sandboxRoot() / "Main.app";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(platform::PropertyList::write(folder / "Info.plist", {{"CFBundleIdentifier", "com.example.main"}}));
    return folder;
}

/// A pipe the test writes event lines into while the app reads them.
class EventPipe {
public:
    EventPipe() {
        int fds[2];
        if (::pipe(fds) != 0) throw std::runtime_error("pipe");
        read_ = fds[0];
        write_ = fds[1];
    }
    ~EventPipe() {
        closeWriting();
        ::close(read_);
    }
    EventPipe(const EventPipe&) = delete;
    EventPipe& operator=(const EventPipe&) = delete;

    /// The path the app opens to read the events.
    std::string path() const { return "/dev/fd/" + std::to_string(read_); }

    void send(const std::string& lines) {
        std::lock_guard lock(mutex_);
        if (write_ < 0) return;
        EXPECT_EQ(::write(write_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
    }
    /// Ends the events.
    void closeWriting() {
        std::lock_guard lock(mutex_);
        if (write_ >= 0) ::close(write_);
        write_ = -1;
    }

private:
    std::mutex mutex_;
    int read_ = -1;
    int write_ = -1;
};

/// Runs the application main on these arguments, then puts the test's clock back.
int runMain(std::vector<std::string> args, const std::function<std::shared_ptr<ApplicationDelegate>()>& factory,
            const ApplicationMainOptions& options = {}) {
    args.insert(args.begin(), "app");
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int status = applicationMain(static_cast<int>(args.size()), argv.data(), factory, options);
    platform::setCurrentClock(testsupport::clock());
    return status;
}

/// Calls `onLaunch` when the app has finished launching.
class LaunchDelegate : public ApplicationDelegate {
public:
    explicit LaunchDelegate(std::function<void()> onLaunch) : onLaunch_(std::move(onLaunch)) {}
    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        onLaunch_();
        return true;
    }

private:
    std::function<void()> onLaunch_;
};

} // namespace

TEST(ApplicationMainTest, OnTheSystemClockATimerFiresBeforeTheNextEventLineComes) {
    // The app's timer writes the next event line itself: a main loop that
    // waits for that line before it fires timers never gets it. This test
    // runs on real time; the watchdog only ends such a hang.
    EventPipe events;
    std::atomic<bool> fired{false};
    std::atomic<bool> hung{false};
    auto delegate = std::make_shared<LaunchDelegate>([&] {
        platform::MainQueue::asyncAfter(0.1, [&] {
            fired = !hung;
            events.send("quit\n");
        });
    });

    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finishedChanged.wait_for(lock, std::chrono::seconds(20), [&] { return finished; })) {
            hung = true;
            events.closeWriting();
        }
    });

    events.send("launch\n");
    const int status = runMain({"--package", makePackage().string(), "--data",
                                (testsupport::sandboxRoot() / "data").string(), "--events", events.path(), "--clock",
                                "system", "--quiet"},
                               [&] { return delegate; });
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    finishedChanged.notify_all();
    watchdog.join();

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fired) << "the timer fired only after the next line came";
    EXPECT_FALSE(hung);
}
