#include "Platform/SDKs/Tarnix/TarnixResources.hpp"

#include "Platform/Foundation/Bundle.hpp"

#include <dlfcn.h>

#include <array>
#include <filesystem>
#include <string>

namespace platform::tarnixbridge {

namespace {

/// The folder of the loaded library file; empty when it cannot be told.
std::filesystem::path libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&libraryFolder), &info) == 0 || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path();
}

/// Registers the bundles when the library is loaded. A missing folder is
/// not an error: Bundle::forName then finds none, and what needs the
/// resources reports it.
struct Registration {
    Registration() {
        const auto root = libraryFolder() / (std::string(kTarnixBridgeBundleName) + ".bundle");
        Bundle::registerBundle(kTarnixBridgeBundleName, root);
        constexpr std::array plugins = {"TarnixPluginBarcodeScanner", "TarnixPluginLocationService",
                                        "TarnixPluginContactsService", "TarnixPluginCalendarService",
                                        "TarnixPluginAppReviewService"};
        for (const char* plugin : plugins) Bundle::registerBundle(plugin, root / (std::string(plugin) + ".bundle"));
    }
};

const Registration registration;

} // namespace

} // namespace platform::tarnixbridge
