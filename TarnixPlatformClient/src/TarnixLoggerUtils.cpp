#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

#include "Platform/Foundation/Bundle.hpp"

namespace tarnix {

std::string TarnixLoggerUtils::getPluginVersion(std::string_view tarnixPluginClass) {
    const auto bundle = platform::Bundle::forName(std::string(tarnixPluginClass));
    if (!bundle) return "undefined";
    return bundle->shortVersion().value_or("undefined");
}

} // namespace tarnix
