#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventDriver.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace CLI {
class App;
}

namespace platform::ui {

/// What a program built on the platform tells the application main.
struct PLATFORM_EXPORT ApplicationMainOptions {
    /// The app package used when --package is not given. A relative path is
    /// taken from the folder of the program's executable; empty makes
    /// --package required.
    std::filesystem::path defaultPackage;
    /// Registers the program's own event commands, if any.
    std::function<void(EventDriver&)> registerCommands;
    /// Adds the program's own command-line options to the parser (CLI11),
    /// e.g. `cli.add_option("--ca-file", caFile, "...")`. The variables they
    /// bind hold the values once the options are parsed, before the launch
    /// (the delegate factory reads them); `--help` lists them.
    std::function<void(CLI::App&)> addOptions;
};

/// The process entry of an app: reads the options (the platform's and the
/// program's own), gives the event driver the commands of every area of the
/// platform (EventCommandRegistry) and the program's own, loads the app
/// package (--package DIR) and the sandbox (--data DIR), and at the `launch` event
/// creates the delegate, loads the main storyboard named by the Info.plist key
/// "UIMainStoryboardFile", sets the delegate's window and delivers the launch;
/// then runs the main run loop fed by events from a script (--events FILE) or
/// standard input, and returns when the events end (0) or one fails (1).
/// Events typed at a terminal start with the app launched, on the system clock
/// unless --clock is given, and a failed event does not end them.
/// Bad options return 2.
PLATFORM_EXPORT int applicationMain(int argc, char** argv,
                                    const std::function<std::shared_ptr<ApplicationDelegate>()>& delegateFactory,
                                    const ApplicationMainOptions& options = {});

} // namespace platform::ui
