#include "Platform/UI/ApplicationMain.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/UserDefaults.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/Storyboard.hpp"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <iostream>

namespace platform::ui {

namespace {

// Loads the main storyboard and gives the delegate its window, as the
// platform does between creating the delegate and the launch calls.
void installMainWindow(ApplicationDelegate& delegate) {
    auto name = Bundle::main()->objectForInfoDictionaryKey("UIMainStoryboardFile");
    if (!name || !name->is_string()) return;
    auto initial = Storyboard::named(name->get<std::string>())->instantiateInitialViewController();
    if (!initial) return;
    auto window = Window::create();
    window->setRootViewController(initial);
    delegate.setWindow(window);
}

// The default package: a relative path is taken from the executable's folder,
// so a program finds the package installed beside it wherever it is run from.
std::string defaultPackagePath(const std::filesystem::path& package) {
    if (package.empty() || package.is_absolute()) return package.string();
    std::error_code ignored;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return (executable.parent_path() / package).lexically_normal().string();
}

// Whether the events come from a person at a terminal: standard input, or
// the events file, is a terminal.
bool eventsAreTyped(const std::string& events) {
    if (events.empty()) return ::isatty(STDIN_FILENO) == 1;
    const int fd = ::open(events.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    const bool typed = ::isatty(fd) == 1;
    ::close(fd);
    return typed;
}

constexpr const char* kTypedHint =
    "The app has launched. Type events: 'help' lists them, 'dump' shows the screen, 'quit' ends.\n";

} // namespace

int applicationMain(int argc, char** argv,
                    const std::function<std::shared_ptr<ApplicationDelegate>()>& delegateFactory,
                    const ApplicationMainOptions& options) {
    EventDriver driver;
    EventCommandRegistry::registerAll(driver);
    if (options.registerCommands) options.registerCommands(driver);

    std::string package = defaultPackagePath(options.defaultPackage);
    std::string data = "vellicor-data";
    std::string events;
    std::string clock = "manual";
    long long startTime = 1'700'000'000;
    bool quiet = false;

    CLI::App cli{"Runs the app headless, driven by events."};
    auto* packageOption =
        cli.add_option("--package", package, "the app package folder (holds Info.plist)")->capture_default_str();
    if (package.empty()) packageOption->required();
    cli.add_option("--data", data, "the app's data folder (its sandbox)")->capture_default_str();
    cli.add_option("--events", events, "a file of events, one per line (default: standard input)");
    auto* clockOption =
        cli.add_option("--clock", clock,
                       "manual: time moves only with 'advance'; system: the wall clock (the default for typed events)")
            ->check(CLI::IsMember({"manual", "system"}))
            ->capture_default_str();
    cli.add_option("--start-time", startTime, "the manual clock's start, in seconds since 1970")->capture_default_str();
    cli.add_flag("--quiet", quiet, "do not echo platform console lines");
    if (options.addOptions) options.addOptions(cli);
    cli.footer("\n" + driver.helpText());
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ExtrasError&) {
        for (const auto& extra : cli.remaining()) std::cerr << "error: unknown option '" << extra << "'\n";
        std::cerr << "Run with --help for the options.\n";
        return 2;
    } catch (const CLI::ParseError& e) {
        const int code = cli.exit(e);
        return code == 0 ? 0 : 2;
    }

    if (package.empty() || !std::filesystem::is_regular_file(std::filesystem::path(package) / "Info.plist")) {
        std::cerr << "error: no app package at '" << package << "' (a folder with an Info.plist)\n";
        return 2;
    }
    std::ifstream file;
    if (!events.empty()) {
        file.open(events);
        if (!file) {
            std::cerr << "error: cannot read the events file '" << events << "'\n";
            return 2;
        }
    }

    // A person typing events gets a running app on the wall clock; a script
    // keeps the repeatable manual clock and launches when it says so.
    const auto input = eventsAreTyped(events) ? EventDriver::Input::typed : EventDriver::Input::script;
    if (input == EventDriver::Input::typed && clockOption->count() == 0) clock = "system";

    Console::setMuted(quiet);
    if (clock == "manual") {
        setCurrentClock(std::make_shared<ManualClock>(static_cast<TimeInterval>(startTime)));
    } else {
        setCurrentClock(std::make_shared<SystemClock>());
    }
    MainQueue::bindToCurrentThread();
    Sandbox::setRoot(data);
    Bundle::setMainBundlePath(package);

    driver.launcher = [&delegateFactory] {
        auto& application = Application::shared();
        auto delegate = delegateFactory();
        application.setDelegate(delegate);
        if (delegate) installMainWindow(*delegate);
        application.launch();
    };

    if (input == EventDriver::Input::typed) {
        if (auto launched = driver.execute("launch"); launched) {
            std::cout << kTypedHint << std::flush;
        } else {
            std::cerr << "error: " << launched.error() << "\n";
        }
    }
    const int status = events.empty() ? driver.run(std::cin, std::cout, std::cerr, "stdin", input)
                                      : driver.run(file, std::cout, std::cerr, events, input);
    EventDriver::settle();
    // The app's objects go while the platform is still whole.
    Application::shared().reset();
    MainQueue::reset();
    UserDefaults::synchronizeAll();
    LogSink::flush();
    return status;
}

} // namespace platform::ui
