#include "Platform/UI/ApplicationMain.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/SDKs/Veltrane/DeviceNetworkEventCommands.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/Web/WebEventCommands.hpp"

#include <CLI/CLI.hpp>

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

} // namespace

int applicationMain(int argc, char** argv,
                    const std::function<std::shared_ptr<ApplicationDelegate>()>& delegateFactory,
                    const ApplicationMainOptions& options) {
    EventDriver driver;
    platform::web::registerEventCommands(driver);
    platform::veltrane::registerDeviceNetworkEventCommands(driver);
    if (options.registerCommands) options.registerCommands(driver);

    std::string package = options.defaultPackage.string();
    std::string data = "vellicor-data";
    std::string events;
    std::string clock = "manual";
    long long startTime = 1'700'000'000;
    bool quiet = false;

    CLI::App cli{"Runs the app headless, driven by events."};
    cli.add_option("--package", package, "the app package folder (holds Info.plist)")->capture_default_str();
    cli.add_option("--data", data, "the app's data folder (its sandbox)")->capture_default_str();
    cli.add_option("--events", events, "a file of events, one per line (default: standard input)");
    cli.add_option("--clock", clock, "manual: time moves only with 'advance'; system: the wall clock")
        ->check(CLI::IsMember({"manual", "system"}))
        ->capture_default_str();
    cli.add_option("--start-time", startTime, "the manual clock's start, in seconds since 1970")->capture_default_str();
    cli.add_flag("--quiet", quiet, "do not echo platform console lines");
    cli.footer("\n" + driver.helpText());
    try {
        cli.parse(argc, argv);
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

    const int status = events.empty() ? driver.run(std::cin, std::cout, std::cerr, "stdin")
                                      : driver.run(file, std::cout, std::cerr, events);
    EventDriver::settle();
    // The app's objects go while the platform is still whole.
    Application::shared().reset();
    MainQueue::reset();
    LogSink::flush();
    return status;
}

} // namespace platform::ui
