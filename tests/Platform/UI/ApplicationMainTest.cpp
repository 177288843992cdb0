#include "Platform/UI/ApplicationMain.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/HttpsOptions.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"
#include "tests/support/TestSupport.hpp"

#include <CLI/CLI.hpp>
#include <gtest/gtest.h>

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
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

/// A file of events in the test's sandbox.
std::string writeEvents(const std::string& lines) {
    const auto file = testsupport::sandboxRoot() / "run.events";
    EXPECT_TRUE(platform::writeFileAtomically(file, platform::dataFromString(lines)).has_value());
    return file.string();
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

TEST(ApplicationMainTest, ATypedSessionStartsLaunchedOnTheSystemClockAndSurvivesABadLine) {
    // A pseudo-terminal stands in for a person typing: the app reads its
    // lines from the terminal side, the test types into the other side.
    int typing = -1, terminal = -1;
    ASSERT_EQ(::openpty(&typing, &terminal, nullptr, nullptr, nullptr), 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(terminal, &settings), 0);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ASSERT_EQ(::tcsetattr(terminal, TCSANOW, &settings), 0);
    const std::string terminalPath = ::ttyname(terminal);

    bool launchedOnTheSystemClock = false;
    auto delegate = std::make_shared<LaunchDelegate>(
        [&] { launchedOnTheSystemClock = platform::currentManualClock() == nullptr; });
    const std::string typed = "frobnicate\nlaunch\nquit\n";
    ASSERT_EQ(::write(typing, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));

    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = runMain({"--package", makePackage().string(), "--data",
                                (testsupport::sandboxRoot() / "data").string(), "--events", terminalPath, "--quiet"},
                               [&] { return delegate; });
    const auto printed = ::testing::internal::GetCapturedStdout();
    const auto errors = ::testing::internal::GetCapturedStderr();
    ::close(terminal);
    ::close(typing);

    EXPECT_EQ(status, 0) << errors;
    EXPECT_TRUE(launchedOnTheSystemClock);
    EXPECT_TRUE(printed.starts_with("The app has launched. Type events: 'help' lists them, 'dump' shows the screen, "
                                    "'quit' ends.\n> "))
        << printed;
    EXPECT_EQ(errors, terminalPath + ":1: unknown command 'frobnicate'\n" + terminalPath +
                          ":2: the app has already launched\n");
}

TEST(ApplicationMainTest, TheProgramsOwnOptionsAreReadBeforeTheLaunch) {
    std::string host;
    std::optional<std::string> seenAtLaunch;
    ApplicationMainOptions options;
    options.addOptions = [&](CLI::App& cli) { cli.add_option("--host", host, "the host to map"); };
    auto delegate = std::make_shared<LaunchDelegate>([] {});
    const int status = runMain({"--package", makePackage().string(), "--data",
                                (testsupport::sandboxRoot() / "data").string(), "--events",
                                writeEvents("launch\nquit\n"), "--quiet", "--host", "community.example.test"},
                               [&] {
                                   seenAtLaunch = host;
                                   return delegate;
                               },
                               options);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seenAtLaunch, "community.example.test");

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(runMain({"--help"}, [&] { return delegate; }, options), 0);
    const auto help = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(help.find("--host"), std::string::npos) << help;
}

TEST(ApplicationMainTest, FindsThePackage) {
    const auto package = makePackage();
    std::error_code ignored;
    const auto executableFolder = std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
    struct Case {
        const char* name;
        std::filesystem::path defaultPackage;
        std::vector<std::string> packageArgs;
        int status;
    };
    const std::vector<Case> cases{
        {"default beside the executable", std::filesystem::relative(package, executableFolder), {}, 0},
        {"absolute default", package, {}, 0},
        {"option over a default", "nowhere.package", {"--package", package.string()}, 0},
        {"no default and no option", {}, {}, 2},
        {"default that is not a package", "nowhere.package", {}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApplicationMainOptions options;
        options.defaultPackage = c.defaultPackage;
        std::vector<std::string> args{"--data", (testsupport::sandboxRoot() / "data").string(), "--events",
                                      writeEvents("launch\nquit\n"), "--quiet"};
        args.insert(args.end(), c.packageArgs.begin(), c.packageArgs.end());
        ::testing::internal::CaptureStderr();
        const int status = runMain(args, [] { return std::make_shared<LaunchDelegate>([] {}); }, options);
        const auto errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, c.status) << errors;
    }
}

TEST(ApplicationMainTest, TheDriverHasTheCommandsOfEveryArea) {
    for (const char* area : {"gestures", "web", "dev-support"}) {
        const auto areas = EventCommandRegistry::areas();
        EXPECT_NE(std::find(areas.begin(), areas.end(), area), areas.end()) << area;
    }
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(runMain({"--help"}, [] { return std::make_shared<LaunchDelegate>([] {}); }), 0);
    const auto help = ::testing::internal::GetCapturedStdout();
    for (const char* command : {"  launch", "  pan ID DY...", "  rotate", "  page ", "  dev-support"}) {
        EXPECT_NE(help.find(command), std::string::npos) << command;
    }
}

TEST(ApplicationMainTest, TheHttpsOptionsPointRequestsAtTheLoopbackServerBeforeTheLaunch) {
    testsupport::LoopbackHttpsServer server;
    server.server().Get("/ping", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("pong", "text/plain");
    });
    const auto previousCAFile = platform::HttpSession::caFile();
    ApplicationMainOptions options;
    options.addOptions = addHttpsOptions;

    std::optional<std::filesystem::path> caFileAtLaunch;
    auto delegate = std::make_shared<LaunchDelegate>([] {});
    const std::string target = "127.0.0.1:" + std::to_string(server.port());
    const int status = runMain({"--package", makePackage().string(), "--data",
                                (testsupport::sandboxRoot() / "data").string(), "--events",
                                writeEvents("launch\nquit\n"), "--quiet", "--map-host",
                                "community.example.test:443=" + target, "--map-host", "second.example.test:443=" + target,
                                "--ca-file", server.certificate().caFile().string()},
                               [&] {
                                   caFileAtLaunch = platform::HttpSession::caFile();
                                   return delegate;
                               },
                               options);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(caFileAtLaunch, server.certificate().caFile());

    // Both names reach the server, and its certificate is trusted under them.
    for (const char* url : {"https://community.example.test/ping", "https://second.example.test/ping"}) {
        SCOPED_TRACE(url);
        std::mutex mutex;
        std::optional<std::string> body;
        std::optional<int> errorCode;
        bool done = false;
        platform::HttpSession::ephemeral()->send(
            platform::HttpRequest(*platform::Url::parse(url)),
            [&](std::optional<platform::Data> data, std::optional<platform::HttpResponse>,
                std::optional<platform::Error> error) {
                std::lock_guard lock(mutex);
                if (data) body = platform::utf8String(*data);
                if (error) errorCode = static_cast<int>(error->code);
                done = true;
            });
        ASSERT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(mutex);
            return done;
        }));
        std::lock_guard lock(mutex);
        EXPECT_EQ(errorCode, std::nullopt);
        EXPECT_EQ(body, "pong");
    }
    platform::HttpSession::removeHostMapping("community.example.test:443");
    platform::HttpSession::removeHostMapping("second.example.test:443");
    platform::HttpSession::setCAFile(previousCAFile);
}

TEST(ApplicationMainTest, AnUnknownOptionIsReportedAsUnknown) {
    ::testing::internal::CaptureStderr();
    const int status = runMain({"--package", makePackage().string(), "--events", writeEvents("quit\n"), "--bogus"},
                               [] { return std::make_shared<LaunchDelegate>([] {}); });
    const auto errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 2);
    EXPECT_EQ(errors, "error: unknown option '--bogus'\nRun with --help for the options.\n");
}

TEST(ApplicationMainTest, BadHttpsOptionsAreBadOptions) {
    const struct {
        const char* name;
        std::vector<std::string> args;
    } cases[] = {
        {"mapping without =", {"--map-host", "community.example.test:443"}},
        {"mapping without a port", {"--map-host", "community.example.test=127.0.0.1:8443"}},
        {"port out of range", {"--map-host", "community.example.test:443=127.0.0.1:70000"}},
        {"port not a number", {"--map-host", "community.example.test:https=127.0.0.1:8443"}},
        {"empty host", {"--map-host", ":443=127.0.0.1:8443"}},
        {"missing CA file", {"--ca-file", "/nonexistent/ca.pem"}},
    };
    const auto previousCAFile = platform::HttpSession::caFile();
    ApplicationMainOptions options;
    options.addOptions = addHttpsOptions;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"--package", makePackage().string(), "--events", writeEvents("quit\n"),
                                      "--quiet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ::testing::internal::CaptureStderr();
        ::testing::internal::CaptureStdout();
        const int status = runMain(args, [] { return std::make_shared<LaunchDelegate>([] {}); }, options);
        ::testing::internal::GetCapturedStdout();
        const auto errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 2) << errors;
    }
    EXPECT_EQ(platform::HttpSession::caFile(), previousCAFile);
    platform::HttpSession::setCAFile(previousCAFile);
}

TEST(ApplicationMainTest, HostMappingsAreReadAsTwoHostAndPortTexts) {
    EXPECT_EQ(parseHostMapping("a.example.test:443=127.0.0.1:8443"),
              (std::pair<std::string, std::string>{"a.example.test:443", "127.0.0.1:8443"}));
    EXPECT_EQ(parseHostMapping("[::1]:443=localhost:1"), (std::pair<std::string, std::string>{"[::1]:443", "localhost:1"}));
    for (const char* bad : {"", "=", "a:1=", "=b:2", "a:1=b:2=c:3", "a:0=b:2", "a b:1=c:2", "a/b:1=c:2", "a:1=b:65536"}) {
        EXPECT_EQ(parseHostMapping(bad), std::nullopt) << bad;
    }
}
