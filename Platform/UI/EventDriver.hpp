#pragma once

#include "Platform/Export.hpp"

#include <expected>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// One event line, split into words ("double quotes" group words; \" and \\ escape).
struct PLATFORM_EXPORT EventLine {
    std::string command;
    std::vector<std::string> args;
    /// The raw text after the command and the first `n` arguments, trimmed;
    /// when that is one quoted text, its quotes removed and its escapes undone.
    std::string rest(std::size_t n = 0) const;
    /// The same with the quotes kept as written.
    std::string raw(std::size_t n = 0) const;
    std::string text;
    int number = 0;
    /// A `"` opened a text that the line does not close.
    bool unclosedQuote = false;
};

/// Drives the app from a stream of events, one per line. Each event runs on the
/// main thread; afterwards the driver lets the app settle (the main queue runs
/// until idle and background work has come back). While the next line has not
/// come, the main loop keeps running: posted work runs and, on the system
/// clock, timers fire on time. In a script, unknown commands and bad arguments
/// stop the run with the line number and a non-zero exit; typed at a terminal,
/// they are reported the same way and the session goes on.
class PLATFORM_EXPORT EventDriver {
public:
    using Result = std::expected<void, std::string>;
    using Handler = std::function<Result(const EventLine&, EventDriver&)>;

    struct Command {
        std::string usage;
        std::string help;
        /// Smallest and largest number of words after the command (-1: no limit).
        int minArgs = 0;
        int maxArgs = -1;
        Handler handler;
    };

    /// How run() reads its lines.
    enum class Input {
        /// A file or a pipe: the first failure ends the run.
        script,
        /// A person at a terminal: a prompt before each line, and a failure
        /// is reported without ending the session.
        typed,
    };

    EventDriver();

    /// Adds (or replaces) a command. A new driver knows the built-in commands;
    /// the areas of the platform add theirs through the EventCommandRegistry.
    void registerCommand(std::string name, Command command);
    bool hasCommand(const std::string& name) const { return commands_.count(name) != 0; }
    /// The command list for --help.
    std::string helpText() const;

    /// Runs every line of the stream (read on a thread of its own, one line at a
    /// time) on the calling thread, which must be the main thread. Returns 0
    /// when all events ran (typed: when the input ended or `quit` ran), 1 at
    /// the first failure of a script.
    int run(std::istream& in, std::ostream& out, std::ostream& err, const std::string& sourceName,
            Input input = Input::script);
    /// Runs one line (tests).
    Result execute(const std::string& line, int number = 0);

    /// Runs the main queue until idle and in-flight background work has come back
    /// (bounded by `timeoutSeconds` of real time).
    static void settle(double timeoutSeconds = 10.0);

    /// Where `dump` and other commands print: the output given to run(), standard output before.
    std::ostream& out() { return *out_; }
    /// Set by the application main: launches the app at the `launch` event.
    std::function<void()> launcher;
    /// Set when `quit` ran.
    bool quitRequested = false;

    static EventLine parse(const std::string& text, int number);

    // For command handlers.
    /// A failed event with its message.
    static std::unexpected<std::string> fail(std::string message);
    /// A word that is a finite number as a whole ("2", "-0.5", "1e3"), or none.
    static std::optional<double> parseNumber(const std::string& text);
    /// Fails unless the app has launched and not terminated.
    static Result requireLaunched();

private:
    void registerBuiltins();
    std::map<std::string, Command> commands_;
    std::ostream* out_;
};

} // namespace platform::ui
