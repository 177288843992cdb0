#include "VellicorApp/Core/Localization.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Bundle.hpp"

namespace vellicor {

std::string localized(std::string_view key, std::string_view /*comment*/) {
    const auto resourceURL = AppContext::current()->mainBundle->resourceURL();
    if (resourceURL) {
        const auto bundleURL = resourceURL->appendingPathComponent(kLocalizationBundleName);
        if (const auto bundle = platform::Bundle::atURL(bundleURL)) {
            return bundle->localizedString(std::string(key), {});
        }
    }
    Logger::error("Unable to load localization resource bundle", "CommunityHybridSDKManager");
    return std::string(key);
}

} // namespace vellicor
