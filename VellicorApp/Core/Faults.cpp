#include "VellicorApp/Core/Faults.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppCoordinating.hpp"
#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

namespace {

bool isPreviewEdition() { return AppContext::current()->yarrowinAppType().has_value(); }

} // namespace

std::optional<std::string> AccessAPIFault::description() const {
    return localized("API_ACCESS_DISABLED", "API access disabled.");
}

std::optional<std::string> AppBootstrapFault::description() const {
    return localized("WEB_APP_BOOTSTRAP_UNSUCCESSFUL", "Unsuccessful web app bootstrap callback.");
}

bool AppBootstrapFault::canIgnore() const { return !isPreviewEdition(); }

std::optional<FaultAction> AppBootstrapFault::action() const {
    if (isPreviewEdition()) return FaultAction{localized("GO_BACK_BUTTON", "Go back button title."), {}};
    // Refresh rebuilds the web app from the permissions step.
    return FaultAction{localized("REFRESH_BUTTON", "Refresh button title."), [] {
                           if (const auto coordinator = AppContext::current()->appCoordinating()) {
                               coordinator->executePostAuthFlow();
                           }
                       }};
}

std::optional<std::string> WebViewFault::description() const {
    if (description_) return description_;
    return localized("WEB_VIEW_DEFAULT_ERROR_MESSAGE", "Web view default error message.");
}

} // namespace vellicor
