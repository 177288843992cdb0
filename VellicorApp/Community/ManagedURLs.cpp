#include "VellicorApp/Community/ManagedURLs.hpp"

#include "VellicorApp/Shell/Context.hpp"

namespace vellicor {

const std::vector<std::string>& ManagedURLs::list(ManagedURLType type) const {
    static const std::vector<std::string> empty;
    switch (type) {
    case ManagedURLType::internalWebApp: return withinApp();
    case ManagedURLType::internalCookieBrowser: return inAppSharedCookieBrowser();
    case ManagedURLType::internalBrowser: return inAppBrowser();
    case ManagedURLType::externalBrowser: return externalBrowser();
    case ManagedURLType::unknown: break;
    }
    return empty;
}

std::shared_ptr<ManagedURLs> managedURLs(const Context& context) { return context.managedURLs; }

void setManagedURLs(const std::shared_ptr<Context>& context, std::shared_ptr<ManagedURLs> rules) {
    if (context) context->managedURLs = std::move(rules);
}

} // namespace vellicor
