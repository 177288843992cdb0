#include "Platform/UI/EventDriver.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/HttpText.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/Window.hpp"

#include <charconv>
#include <cmath>
#include <condition_variable>
#include <iostream>
#include <istream>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>
#include <utility>

namespace platform::ui {

namespace {

std::string trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

Application& app() { return Application::shared(); }

// A link a browser follows: http or https, with a host.
bool isWebLink(const Url& url) {
    const auto scheme = url.scheme();
    if (!scheme || !url.host() || url.host()->empty()) return false;
    return httptext::equalsIgnoringCase(*scheme, "http") || httptext::equalsIgnoringCase(*scheme, "https");
}

// Every log the app and the platform wrote: the component log files and the console.
bool logsContain(const std::string& text) {
    if (Console::contains(text)) return true;
    LogSink::flush();
    const auto folder = Sandbox::cachesDirectory() / "Logs";
    auto names = FileManager::defaultManager().contentsOfDirectory(folder);
    if (!names) return false;
    for (const auto& name : *names) {
        if (auto data = readFile(folder / name)) {
            if (std::string_view(reinterpret_cast<const char*>(data->data()), data->size()).find(text) !=
                std::string_view::npos) {
                return true;
            }
        }
    }
    return false;
}

/// Reads the event stream on a thread of its own, so that the main loop runs
/// (posted work, and timers on the system clock) while the next line has not
/// come. It reads one line only when asked: after `quit` or a failure nothing
/// more is taken from the stream, and the thread is not blocked in a read and
/// ends at once.
class LineReader {
public:
    // A stream tied to an output (standard input is, to standard output)
    // would flush that output from the reading thread while the main thread
    // writes to it; it is untied for the run, and the driver flushes instead.
    explicit LineReader(std::istream& in)
        : in_(in), tied_(in.tie(nullptr)), thread_([this] { readWhenAsked(); }) {}

    ~LineReader() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        thread_.join();
        in_.tie(tied_);
    }

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    /// The next line, or none at the end of the stream; runs the main loop until it comes.
    std::optional<std::string> next() {
        {
            std::lock_guard lock(mutex_);
            requested_ = true;
        }
        changed_.notify_all();
        for (;;) {
            // The reader stops the loop once the line is in (see readWhenAsked).
            MainQueue::run();
            std::lock_guard lock(mutex_);
            if (arrived_) {
                arrived_ = false;
                return std::exchange(line_, std::nullopt);
            }
        }
    }

private:
    void readWhenAsked() {
        for (bool more = true; more;) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return requested_ || closing_; });
                if (closing_) return;
                requested_ = false;
            }
            std::string text;
            more = static_cast<bool>(std::getline(in_, text));
            {
                std::lock_guard lock(mutex_);
                line_ = more ? std::optional(std::move(text)) : std::nullopt;
                arrived_ = true;
            }
            MainQueue::async([] { MainQueue::stop(); });
        }
    }

    std::istream& in_;
    std::ostream* const tied_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool requested_ = false;
    bool arrived_ = false;
    bool closing_ = false;
    std::optional<std::string> line_;
    // Last: starts once the members it reads are made.
    std::thread thread_;
};

} // namespace

std::string EventLine::raw(std::size_t n) const {
    // Skip the command and n words of the raw text, honouring quotes.
    std::size_t pos = 0;
    auto skipWord = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        bool quoted = false;
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == '\\' && pos + 1 < text.size()) {
                pos += 2;
                continue;
            }
            if (c == '"') quoted = !quoted;
            if (!quoted && (c == ' ' || c == '\t')) break;
            ++pos;
        }
    };
    for (std::size_t i = 0; i < n + 1; ++i) skipWord();
    return trim(std::string_view(text).substr(std::min(pos, text.size())));
}

std::string EventLine::rest(std::size_t n) const {
    std::string result = raw(n);
    if (result.size() < 2 || result.front() != '"' || result.back() != '"') return result;
    // One quoted text: its escapes are undone, as in a word.
    std::string unquoted;
    for (std::size_t i = 1; i + 1 < result.size(); ++i) {
        const char c = result[i];
        if (c == '\\' && i + 2 < result.size()) {
            unquoted += result[++i];
        } else if (c == '"') {
            // Quotes of their own inside: several texts, kept as written.
            return result.substr(1, result.size() - 2);
        } else {
            unquoted += c;
        }
    }
    return unquoted;
}

EventLine EventDriver::parse(const std::string& text, int number) {
    EventLine line;
    line.text = trim(text);
    line.number = number;
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < line.text.size(); ++i) {
        const char c = line.text[i];
        if (c == '\\' && i + 1 < line.text.size()) {
            word += line.text[++i];
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    line.unclosedQuote = quoted;
    if (!words.empty()) {
        line.command = words.front();
        line.args.assign(words.begin() + 1, words.end());
    }
    return line;
}

std::unexpected<std::string> EventDriver::fail(std::string message) { return std::unexpected(std::move(message)); }

std::optional<double> EventDriver::parseNumber(const std::string& text) {
    double value = 0;
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

EventDriver::Result EventDriver::requireLaunched() {
    auto& application = Application::shared();
    if (!application.hasLaunched()) return fail("the app has not launched yet (add a 'launch' event first)");
    if (application.hasTerminated()) return fail("the app has terminated");
    return {};
}

EventDriver::EventDriver() : out_(&std::cout) { registerBuiltins(); }

void EventDriver::registerCommand(std::string name, Command command) { commands_[std::move(name)] = std::move(command); }

std::string EventDriver::helpText() const {
    std::ostringstream text;
    text << "Event commands (one per line; '#' starts a comment; \"quotes\" group words):\n";
    for (const auto& [name, command] : commands_) {
        std::string usage = name + (command.usage.empty() ? "" : " " + command.usage);
        text << "  " << usage;
        if (usage.size() < 34) text << std::string(34 - usage.size(), ' ');
        else text << "\n" << std::string(36, ' ');
        text << command.help << "\n";
    }
    return text.str();
}

void EventDriver::settle(double timeoutSeconds) {
    MainQueue::runUntil([] { return BackgroundActivity::inFlight() == 0; }, timeoutSeconds);
    MainQueue::runUntilIdle();
    // The layout pass that ends a turn of the platform's run loop.
    for (const auto& window : Window::visibleWindows()) window->layoutIfNeeded();
    MainQueue::runUntilIdle();
}

EventDriver::Result EventDriver::execute(const std::string& text, int number) {
    const EventLine line = parse(text, number);
    if (line.command.empty() || line.command.front() == '#') return {};
    if (line.unclosedQuote) return fail("a quote is not closed: " + line.text);
    auto it = commands_.find(line.command);
    if (it == commands_.end()) return fail("unknown command '" + line.command + "'");
    const auto& command = it->second;
    const int count = static_cast<int>(line.args.size());
    if (count < command.minArgs || (command.maxArgs >= 0 && count > command.maxArgs)) {
        return fail("usage: " + line.command + (command.usage.empty() ? "" : " " + command.usage));
    }
    auto result = command.handler(line, *this);
    if (result) settle();
    return result;
}

int EventDriver::run(std::istream& in, std::ostream& out, std::ostream& err, const std::string& sourceName,
                     Input input) {
    out_ = &out;
    LineReader reader(in);
    int number = 0;
    while (!quitRequested) {
        if (input == Input::typed) out << "> " << std::flush;
        auto text = reader.next();
        if (!text) break;
        ++number;
        auto result = execute(*text, number);
        // What the event printed shows before the next line is awaited.
        out.flush();
        if (!result) {
            err << sourceName << ":" << number << ": " << result.error() << "\n";
            if (input == Input::script) return 1;
            err.flush();
        }
    }
    return 0;
}

void EventDriver::registerBuiltins() {
    auto lifecycle = [](std::string help, std::function<void()> action) {
        return Command{"", std::move(help), 0, 0, [action = std::move(action)](const EventLine&, EventDriver&) -> Result {
                           if (auto ok = requireLaunched(); !ok) return ok;
                           action();
                           return {};
                       }};
    };

    registerCommand("launch", Command{"", "launch the app (events before it set up the device)", 0, 0,
                                      [](const EventLine&, EventDriver& driver) -> Result {
                                          if (app().hasLaunched()) return fail("the app has already launched");
                                          if (!driver.launcher) return fail("nothing to launch");
                                          driver.launcher();
                                          return {};
                                      }});
    registerCommand("foreground", lifecycle("return from the background", [] { app().enterForeground(); }));
    registerCommand("background", lifecycle("go to the background", [] { app().enterBackground(); }));
    registerCommand("active", lifecycle("become active", [] { app().becomeActive(); }));
    registerCommand("resign", lifecycle("resign active (e.g. an incoming call)", [] { app().resignActive(); }));
    registerCommand("terminate", lifecycle("terminate the app", [] { app().terminate(); }));

    registerCommand("open-url", Command{"URL", "open a URL of the app's scheme", 1, 1,
                                        [](const EventLine& line, EventDriver& driver) -> Result {
                                            auto url = Url::parse(line.args[0]);
                                            if (!url || !url->scheme()) {
                                                return fail("not a URL with a scheme: " + line.args[0]);
                                            }
                                            if (auto ok = requireLaunched(); !ok) return ok;
                                            const bool handled = app().openURL(*url);
                                            driver.out() << "open-url: " << (handled ? "handled" : "not handled") << "\n";
                                            return {};
                                        }});
    registerCommand("universal-link", Command{"URL", "continue a web-browsing activity (a universal link)", 1, 1,
                                              [](const EventLine& line, EventDriver& driver) -> Result {
                                                  auto url = Url::parse(line.args[0]);
                                                  if (!url || !isWebLink(*url)) {
                                                      return fail("not an http or https URL with a host: " +
                                                                  line.args[0]);
                                                  }
                                                  if (auto ok = requireLaunched(); !ok) return ok;
                                                  const bool handled = app().continueUserActivity(
                                                      UserActivity{kUserActivityTypeBrowsingWeb, *url, {}});
                                                  driver.out() << "universal-link: "
                                                               << (handled ? "handled" : "not handled") << "\n";
                                                  return {};
                                              }});
    registerCommand("shortcut", Command{"TYPE", "perform a home-screen quick action of that type", 1, 1,
                                        [](const EventLine& line, EventDriver& driver) -> Result {
                                            if (auto ok = requireLaunched(); !ok) return ok;
                                            ShortcutItem item{line.args[0], line.args[0], {}, {}, {}};
                                            for (const auto& published : app().shortcutItems) {
                                                if (published.type == line.args[0]) item = published;
                                            }
                                            auto answer = app().performShortcut(item);
                                            driver.out() << "shortcut: "
                                                         << (!answer ? "no answer" : *answer ? "handled" : "not handled")
                                                         << "\n";
                                            return {};
                                        }});
    registerCommand("keyboard", Command{"show|hide", "show or hide the software keyboard", 1, 1,
                                        [](const EventLine& line, EventDriver&) -> Result {
                                            if (line.args[0] == "show") app().showKeyboard();
                                            else if (line.args[0] == "hide") app().hideKeyboard();
                                            else return fail("usage: keyboard show|hide");
                                            return {};
                                        }});

    registerCommand("tap", Command{"ID-OR-LABEL", "tap a view, bar button or alert action", 1, -1,
                                   [](const EventLine& line, EventDriver&) -> Result {
                                       if (auto ok = requireLaunched(); !ok) return ok;
                                       return ScreenDump::tap(line.rest());
                                   }});
    registerCommand("long-press", Command{"ID", "long-press a view", 1, -1,
                                          [](const EventLine& line, EventDriver&) -> Result {
                                              if (auto ok = requireLaunched(); !ok) return ok;
                                              return ScreenDump::longPress(line.rest());
                                          }});
    registerCommand("type", Command{"ID TEXT", "type text into a text field or text view", 2, -1,
                                    [](const EventLine& line, EventDriver&) -> Result {
                                        if (auto ok = requireLaunched(); !ok) return ok;
                                        return ScreenDump::type(line.args[0], line.rest(1));
                                    }});
    registerCommand("select-tab", Command{"N", "tap the tab at index N (0 first) of the tab bar", 1, 1,
                                          [](const EventLine& line, EventDriver&) -> Result {
                                              if (auto ok = requireLaunched(); !ok) return ok;
                                              auto n = parseNumber(line.args[0]);
                                              if (!n || *n < 0 || std::floor(*n) != *n) {
                                                  return fail("not a tab index: " + line.args[0]);
                                              }
                                              return ScreenDump::selectTab(static_cast<int>(*n));
                                          }});
    registerCommand("advance", Command{"SECONDS", "let time pass on the clock, firing timers", 1, 1,
                                       [](const EventLine& line, EventDriver&) -> Result {
                                           auto seconds = parseNumber(line.args[0]);
                                           if (!seconds) return fail("not a number of seconds: " + line.args[0]);
                                           if (*seconds < 0) {
                                               return fail("time cannot go back: " + line.args[0] +
                                                           " (advance takes 0 seconds or more)");
                                           }
                                           if (currentManualClock()) {
                                               MainQueue::advance(*seconds);
                                           } else {
                                               MainQueue::runUntil([] { return false; }, *seconds);
                                           }
                                           return {};
                                       }});
    registerCommand("network", Command{"on|off", "connect or disconnect the device", 1, 1,
                                       [](const EventLine& line, EventDriver&) -> Result {
                                           if (line.args[0] == "on") Reachability::setOffline(false);
                                           else if (line.args[0] == "off") Reachability::setOffline(true);
                                           else return fail("usage: network on|off");
                                           return {};
                                       }});
    registerCommand("dump", Command{"", "print the screen", 0, 0, [](const EventLine&, EventDriver& driver) -> Result {
                                        driver.out() << ScreenDump::render();
                                        return {};
                                    }});
    registerCommand("expect", Command{"TEXT", "fail unless the screen shows TEXT", 1, -1,
                                      [](const EventLine& line, EventDriver&) -> Result {
                                          const auto text = line.rest();
                                          const auto screen = ScreenDump::render();
                                          if (screen.find(text) == std::string::npos) {
                                              return fail("expected the screen to show \"" + text + "\"; the screen is:\n" +
                                                          screen);
                                          }
                                          return {};
                                      }});
    registerCommand("expect-not", Command{"TEXT", "fail if the screen shows TEXT", 1, -1,
                                          [](const EventLine& line, EventDriver&) -> Result {
                                              const auto text = line.rest();
                                              const auto screen = ScreenDump::render();
                                              if (screen.find(text) != std::string::npos) {
                                                  return fail("expected the screen not to show \"" + text +
                                                              "\"; the screen is:\n" + screen);
                                              }
                                              return {};
                                          }});
    registerCommand("expect-log", Command{"TEXT", "fail unless a log line holds TEXT", 1, -1,
                                          [](const EventLine& line, EventDriver&) -> Result {
                                              const auto text = line.rest();
                                              if (!logsContain(text)) return fail("no log line holds \"" + text + "\"");
                                              return {};
                                          }});
    registerCommand("help", Command{"", "list the event commands", 0, 0,
                                    [](const EventLine&, EventDriver& driver) -> Result {
                                        driver.out() << driver.helpText();
                                        return {};
                                    }});
    registerCommand("quit", Command{"", "stop reading events", 0, 0, [](const EventLine&, EventDriver& driver) -> Result {
                                        driver.quitRequested = true;
                                        return {};
                                    }});
}

} // namespace platform::ui
