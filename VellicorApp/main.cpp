// The Vellicor app program: the platform's application main with the app's
// delegate, resources, HTTPS and device options. Run it with scripts/run, which
// starts the loopback community beside it.

#include "VellicorApp/DemoCommunityEventCommands.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "VellicorApp/Shell/AppDelegate.hpp"
#include "VellicorApp/Shell/ShellResources.hpp"

#include "Platform/UI/ApplicationMain.hpp"
#include "Platform/SDKs/Veltrane/DeviceOptions.hpp"
#include "Platform/UI/HttpsOptions.hpp"

int main(int argc, char** argv) {
    vellicor::registerShellResources();
    vellicor::registerHybridResources();
    vellicor::registerInterfaceResources();

    platform::ui::ApplicationMainOptions options;
    // Built beside the program (see VellicorApp/CMakeLists.txt); the preview
    // edition's package is VellicorAppPreview.package, given with --package.
    options.defaultPackage = "VellicorApp.package";
    // Every area of the platform the app uses puts its commands into the
    // platform's registry; the program adds the demo community's sign-in and
    // sign-out.
    options.registerCommands = vellicor::registerDemoCommunityEventCommands;
    options.addOptions = [](CLI::App& cli) {
        platform::ui::addHttpsOptions(cli);
        platform::veltrane::addDeviceOptions(cli);
    };
    return platform::ui::applicationMain(argc, argv, [] { return vellicor::AppDelegate::create(); }, options);
}
