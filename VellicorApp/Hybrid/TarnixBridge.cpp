#include "VellicorApp/Hybrid/TarnixBridge.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"

#include "TarnixKORVAInstrumentation/TarnixKORVALogger.hpp"

#include "Platform/SDKs/Tarnix/AppReviewService.hpp"
#include "Platform/SDKs/Tarnix/BarcodeScannerPlugin.hpp"
#include "Platform/SDKs/Tarnix/BridgeBuilder.hpp"
#include "Platform/SDKs/Tarnix/CalendarService.hpp"
#include "Platform/SDKs/Tarnix/ContactsService.hpp"
#include "Platform/SDKs/Tarnix/LocationService.hpp"
#include "Platform/System/CLLocationManager.hpp"

namespace vellicor {

namespace {

std::shared_ptr<TarnixBridge::AnalyticsManager> currentAnalyticsManager() {
    using Manager = TarnixBridge::AnalyticsManager;
    if (const auto user = AppContext::current()->userAccountManager->currentUser()) {
        // A user without ids has no manager of their own; their plug-in
        // events then go with the unauthenticated ones rather than nowhere.
        if (auto manager = Manager::sharedInstanceWithUser(user->accountIdentity())) return manager;
    }
    return Manager::sharedUnauthenticatedInstance();
}

} // namespace

TarnixBridge::TarnixBridge() : analyticsManager_(currentAnalyticsManager()) {}

void TarnixBridge::create(const std::shared_ptr<platform::web::WebView>& webView, Presenter presenter) const {
    using namespace platform::tarnixbridge;
    std::shared_ptr<tarnix::TarnixLogger> logger =
        tarnix::TarnixKORVALogger::create(analyticsManager_, tarnix::TarnixLogLevel::INFO);

    auto barcodeScanner = BarcodeScannerPlugin::create(presenter, logger);
    auto location = LocationService::create(logger, LocationServiceCore(platform::system::CLLocationManager::create()));
    auto calendar = CalendarService::create(logger);
    auto appReview = AppReviewService::create(logger);
    auto contacts = ContactsService::create(
        [presenter](const std::shared_ptr<platform::ui::ViewController>& screen) {
            if (presenter) presenter(screen, true);
        },
        logger);

    // The plug-ins reach the camera, contacts, calendar and location: the web
    // view's sender policy keeps every page but the community's away from them.
    BridgeBuilder::createBridge(webView, {barcodeScanner, location, contacts, calendar, appReview}, true);
}

} // namespace vellicor
