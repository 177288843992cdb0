#include "Platform/UI/EventDriver.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace platform::ui;

namespace {

class RecordingDelegate : public ApplicationDelegate {
public:
    std::vector<std::string> calls;
    std::shared_ptr<Window> window_;
    std::shared_ptr<Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<Window> w) override { window_ = std::move(w); }
    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        calls.push_back("didFinishLaunching");
        return true;
    }
    void didBecomeActive(Application&) override { calls.push_back("didBecomeActive"); }
    void willResignActive(Application&) override { calls.push_back("willResignActive"); }
    void didEnterBackground(Application&) override { calls.push_back("didEnterBackground"); }
    void willEnterForeground(Application&) override { calls.push_back("willEnterForeground"); }
    void willTerminate(Application&) override { calls.push_back("willTerminate"); }
};

struct DriverFixture : ::testing::Test {
    EventDriver driver;
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    std::ostringstream out, err;

    DriverFixture() {
        driver.launcher = [this] {
            auto root = ViewController::create();
            auto button = Button::create();
            button->setTitle("Press me");
            button->accessibilityIdentifier = "press";
            button->addAction(ControlEvent::touchUpInside, [] { platform::Console::log("pressed"); });
            root->view()->addSubview(button);
            root->view()->addSubview(Label::create("Hello there"));
            delegate->setWindow(Window::create());
            delegate->window()->setRootViewController(root);
            Application::shared().setDelegate(delegate);
            Application::shared().launch();
        };
    }

    int run(const std::string& script) {
        std::istringstream in(script);
        return driver.run(in, out, err, "script");
    }
};

} // namespace

TEST_F(DriverFixture, ErrorsNameTheLineAndStopTheRun) {
    struct Case {
        const char* name;
        std::string script;
        std::string error;
    };
    const std::vector<Case> cases{
        {"unknown command", "# setup\n\nwiggle\ndump\n", "script:3: unknown command 'wiggle'"},
        {"too few arguments", "launch\ntap\n", "script:2: usage: tap ID-OR-LABEL"},
        {"too many arguments", "launch\nselect-tab 1 2\n", "script:2: usage: select-tab N"},
        {"bad number", "advance soon\n", "script:1: not a number of seconds: soon"},
        {"negative time", "advance -5\n", "script:1: time cannot go back: -5"},
        {"bad switch", "network maybe\n", "script:1: usage: network on|off"},
        {"app not launched", "tap press\n", "script:1: the app has not launched yet"},
        {"launched twice", "launch\nlaunch\n", "script:2: the app has already launched"},
        {"missing view", "launch\ntap nothing-here\n", "script:2: no visible view is \"nothing-here\""},
        {"bad URL", "launch\nopen-url \"not a url\"\n", "script:2: not a URL with a scheme: not a url"},
        {"universal link that is no web link", "launch\nuniversal-link notaurl\n",
         "script:2: not an http or https URL with a host: notaurl"},
        {"universal link to another scheme", "launch\nuniversal-link mailto:ada@example.test\n",
         "script:2: not an http or https URL with a host: mailto:ada@example.test"},
        {"unclosed quote", "launch\ntap \"Unclosed\n", "script:2: a quote is not closed: tap \"Unclosed"},
        {"expectation", "launch\nexpect Goodbye\n", "script:2: expected the screen to show \"Goodbye\""},
        {"negative expectation", "launch\nexpect-not Hello\n", "script:2: expected the screen not to show \"Hello\""},
        {"log expectation", "launch\nexpect-log never written\n", "script:2: no log line holds \"never written\""},
        {"no tab bar", "launch\nselect-tab 0\n", "script:2: no tab bar is shown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Application::shared().reset();
        Window::resetAll();
        EventDriver fresh;
        fresh.launcher = driver.launcher;
        std::istringstream in(c.script);
        std::ostringstream caseOut, caseErr;
        EXPECT_EQ(fresh.run(in, caseOut, caseErr, "script"), 1);
        EXPECT_NE(caseErr.str().find(c.error), std::string::npos) << caseErr.str();
    }
}

TEST_F(DriverFixture, TypedInputReportsABadLineAndGoesOn) {
    const std::string session = "launch\nfrobnicate\ntap \"Unclosed\nadvance -5\ntap press\nquit\nwiggle\n";
    std::istringstream in(session);
    EXPECT_EQ(driver.run(in, out, err, "stdin", EventDriver::Input::typed), 0);
    EXPECT_EQ(err.str(),
              "stdin:2: unknown command 'frobnicate'\n"
              "stdin:3: a quote is not closed: tap \"Unclosed\n"
              "stdin:4: time cannot go back: -5 (advance takes 0 seconds or more)\n");
    // The lines after the bad ones ran; nothing after quit was read.
    EXPECT_TRUE(driver.quitRequested);
    int presses = 0;
    for (const auto& line : platform::Console::lines()) presses += line == "pressed";
    EXPECT_EQ(presses, 1);
    // A prompt before each line read, the one after quit excepted.
    EXPECT_EQ(out.str(), "> > > > > > ");

    // The same lines from a script stop at the first bad one.
    Application::shared().reset();
    Window::resetAll();
    EventDriver scripted;
    scripted.launcher = driver.launcher;
    std::istringstream again(session);
    std::ostringstream scriptOut, scriptErr;
    EXPECT_EQ(scripted.run(again, scriptOut, scriptErr, "script"), 1);
    EXPECT_EQ(scriptErr.str(), "script:2: unknown command 'frobnicate'\n");
    EXPECT_EQ(scriptOut.str(), "");
}

TEST_F(DriverFixture, HelpListsEveryCommand) {
    ASSERT_EQ(run("help\n"), 0) << err.str();
    EXPECT_EQ(out.str(), driver.helpText());
    for (const char* command : {"launch", "dump", "help", "quit", "advance"}) {
        EXPECT_NE(out.str().find(std::string("\n  ") + command), std::string::npos) << command;
    }
}

TEST_F(DriverFixture, LifeCycleEventsReachTheDelegateInThePlatformsOrder) {
    ASSERT_EQ(run("launch\nbackground\nforeground\nresign\nactive\nterminate\n"), 0) << err.str();
    const std::vector<std::string> expected{"didFinishLaunching", "didBecomeActive",    "willResignActive",
                                            "didEnterBackground", "willEnterForeground", "didBecomeActive",
                                            "willResignActive",   "didBecomeActive",     "willResignActive",
                                            "willTerminate"};
    EXPECT_EQ(delegate->calls, expected);
}

TEST_F(DriverFixture, TapsByIdentifierOrLabelAndChecksTheScreen) {
    ASSERT_EQ(run("launch\ntap press\ntap \"Press me\"\nexpect Hello there\nexpect-log pressed\nquit\nwiggle\n"), 0)
        << err.str();
    int presses = 0;
    for (const auto& line : platform::Console::lines()) presses += line == "pressed";
    EXPECT_EQ(presses, 2);
}

TEST_F(DriverFixture, NetworkSwitchDrivesTheOfflineFlag) {
    ASSERT_EQ(run("network off\n"), 0);
    EXPECT_TRUE(platform::Reachability::isOffline());
    ASSERT_EQ(run("network on\n"), 0);
    EXPECT_FALSE(platform::Reachability::isOffline());
}

TEST_F(DriverFixture, AdvanceMovesTheClockAndFiresTimers) {
    bool fired = false;
    platform::MainQueue::asyncAfter(5, [&] { fired = true; });
    ASSERT_EQ(run("advance 4.5\n"), 0);
    EXPECT_FALSE(fired);
    ASSERT_EQ(run("advance 0.5\n"), 0);
    EXPECT_TRUE(fired);
    EXPECT_DOUBLE_EQ(platform::now(), testsupport::kStartTime + 5);
}

TEST_F(DriverFixture, EventsExecutedBeforeARunPrintToStandardOutput) {
    ASSERT_TRUE(driver.execute("launch"));
    ::testing::internal::CaptureStdout();
    const auto dumped = driver.execute("dump");
    const auto printed = ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(dumped) << dumped.error();
    EXPECT_NE(printed.find("Hello there"), std::string::npos) << printed;
}

TEST(EventLineTest, SplitsWordsWithQuotesAndEscapes) {
    auto line = EventDriver::parse(R"(type  field "two words" \"x\" tail)", 7);
    EXPECT_EQ(line.command, "type");
    EXPECT_EQ(line.args, (std::vector<std::string>{"field", "two words", "\"x\"", "tail"}));
    EXPECT_EQ(line.rest(1), R"("two words" \"x\" tail)");
    EXPECT_EQ(EventDriver::parse(R"(expect "Hello, Ada")", 1).rest(), "Hello, Ada");
    EXPECT_EQ(line.number, 7);
}

TEST(EventLineTest, AQuotedRestUndoesItsEscapes) {
    struct Case {
        const char* line;
        const char* rest;
    };
    for (const auto& [text, rest] : {
             Case{R"(expect-log "\"isCommunitySelected\": true")", R"("isCommunitySelected": true)"},
             Case{R"(expect "back\\slash \"q\"")", R"(back\slash "q")"},
             Case{R"(expect "ends in a quote\"")", R"(ends in a quote")"},
             Case{R"(expect "a" b "c")", R"(a" b "c)"},
             Case{R"(expect plain \"as written\")", R"(plain \"as written\")"},
         }) {
        EXPECT_EQ(EventDriver::parse(text, 1).rest(), rest) << text;
    }
}
