#include "VellicorApp/Shell/AppDelegate.hpp"

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/FloatingActionButtonProvider.hpp"
#include "VellicorApp/Interface/LoadingViewController.hpp"
#include "VellicorApp/Shell/ColdStartMarking.hpp"
#include "VellicorApp/Shell/MobileSDKConfigurator.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/UI/NavigationController.hpp"

#include <map>

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppDelegate";

std::string shortcutType(const char* lastComponent) {
    return std::string(AppConstants::kReverseDNSPrefix) + lastComponent;
}

/// The organisation of the signed-in user's identity data, or the text the
/// instrumentation uses for nobody.
std::string signedInOrganization(const Context& context) {
    const auto user = context.userAccount();
    const auto idData = user ? user->idData() : nullptr;
    if (idData && idData->orgId) return *idData->orgId;
    return "orgId:not_logged_in";
}

} // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(std::shared_ptr<AppCoordinator::StepFactory> steps) {
    auto delegate = std::shared_ptr<AppDelegate>(new AppDelegate(std::move(steps)));
    delegate->initialize();
    return delegate;
}

void AppDelegate::initialize() {
    // The order matters: the SDK set-up builds the running context, which
    // every marker below is created in.
    MobileSDKConfigurator::configure();
    Logger::configureLogLevel();
    startColdStartKORVAMarker();

    const auto markers = AppContext::current()->korvaMarkerCenter;
    const auto nativeLoad = markers->createMarker(KORVAMarkerName::nativeLoad, KORVAMarkerType::pageView);
    markers->start(nativeLoad);
    currentMarkerID_ = nativeLoad;

    appSessionTracker_ = AppSessionTracker::create(kSessionBackgroundWaitTime);
    appSessionTracker_->start();
}

void AppDelegate::startColdStartKORVAMarker() {
    const auto markers = AppContext::current()->korvaMarkerCenter;
    const auto coldStart = markers->createMarker(KORVAMarkerName::coldStart, KORVAMarkerType::performance);
    coldStartID_ = coldStart;
    markers->start(coldStart);
}

// Launch ------------------------------------------------------------------------

bool AppDelegate::didFinishLaunching(platform::ui::Application& /*application*/, const nlohmann::json& /*options*/) {
    // The crash-reporting hooks start first here, and the marketing push
    // manager (with its background refresh) joins after the floating button,
    // once both services are part of the app.
    const auto navigation = window_ ? std::dynamic_pointer_cast<platform::ui::NavigationController>(
                                          window_->rootViewController())
                                    : nullptr;
    const auto loading = navigation && !navigation->viewControllers().empty()
                             ? std::dynamic_pointer_cast<LoadingViewController>(navigation->viewControllers().front())
                             : nullptr;
    if (!loading) platform::fatalError("Storyboard is not configured properly!");

    const auto context = AppContext::current();
    const auto coordinator = AppCoordinator::create(navigation, steps_);
    context->setAppCoordinator(coordinator);
    loading->delegate = coordinator;

    // Showing the window loads the loading screen, which starts the cold-start chain.
    platform::veltrane::VQSDKWindowManager::sharedManager()->setMainUIWindow(window_);
    window_->makeKeyAndVisible();

    context->setFloatingActionButtonProvider(FloatingActionButtonProvider::create(*context));
    context->setManagedURLs(BundleManagedURLs::managedURLs());

    const auto markers = context->korvaMarkerCenter;
    const auto reachability = platform::veltrane::VQSDKReachability::reachabilityForInternetConnection();
    if (reachability &&
        reachability->currentReachabilityStatus() == platform::veltrane::VQSDKNetworkStatus::notReachable) {
        const auto offline = markers->createMarker(KORVAMarkerName::offlineLaunch, KORVAMarkerType::performance);
        markers->log(offline);
    }
    markers->logInteraction(KORVAMarkerName::communitySelected,
                            platform::Json{
                                {"isCommunitySelected", CommunityConfigFilePersistentStore().getSelectedCommunity() != nullptr},
                                {"orgID", signedInOrganization(*context)},
                            });
    return true;
}

// Life cycle ----------------------------------------------------------------------

void AppDelegate::willEnterForeground(platform::ui::Application& /*application*/) {
    const auto markers = AppContext::current()->korvaMarkerCenter;
    const auto warmStart = markers->createMarker(KORVAMarkerName::warmStart, KORVAMarkerType::performance);
    markers->start(warmStart);
    currentMarkerID_ = warmStart;
}

void AppDelegate::didBecomeActive(platform::ui::Application& /*application*/) {
    if (!currentMarkerID_) return;
    const auto markers = AppContext::current()->korvaMarkerCenter;
    if (const auto marker = markers->getMarker(*currentMarkerID_)) marker->setAttributes(markers->loginAndNetworkStatus());
    markers->end(*currentMarkerID_);
    fetchNativeLoadDuration();
    markers->log(*currentMarkerID_);
    currentMarkerID_.reset();
}

void AppDelegate::fetchNativeLoadDuration() {
    const auto marker = currentMarkerID_ ? AppContext::current()->korvaMarkerCenter->getMarker(*currentMarkerID_)
                                         : nullptr;
    const auto* timed = dynamic_cast<const DurationTracking*>(marker.get());
    if (!timed || marker->name() != KORVAMarkerName::nativeLoad) {
        // Also at every warm start, whose open marker is the warm-start one.
        Logger::error("Invalid native load marker!", kLogType);
        return;
    }
    nativeLoadDuration_ = timed->duration();
}

void AppDelegate::willResignActive(platform::ui::Application& application) {
    if (auto item = quickAction(AppContext::current()->appMode())) application.shortcutItems = {std::move(*item)};
}

void AppDelegate::didEnterBackground(platform::ui::Application& /*application*/) {
    // Markers made from now on belong to a new session. (The marketing push
    // manager schedules its background refresh here once it is part of the app.)
    AppContext::updateCurrentContextSessionID();
}

// Cold start ------------------------------------------------------------------------

void AppDelegate::endColdStartKORVAMarker(bool redirectedFromLogin) {
    if (!coldStartID_) return;
    const auto markers = AppContext::current()->korvaMarkerCenter;
    if (const auto marker = markers->getMarker(*coldStartID_)) {
        auto attributes = markers->loginAndNetworkStatus();
        attributes["redirectedFromLogin"] = redirectedFromLogin;
        marker->setAttributes(std::move(attributes));
    }
    markers->end(*coldStartID_);
    markers->log(*coldStartID_);
    coldStartID_.reset();
}

// Links, URLs and shortcuts ---------------------------------------------------------

bool AppDelegate::continueUserActivity(platform::ui::Application& /*application*/,
                                       const platform::ui::UserActivity& activity,
                                       std::function<void(std::vector<std::string>)> /*restorationHandler*/) {
    if (activity.activityType != platform::ui::kUserActivityTypeBrowsingWeb || !activity.webpageURL) return false;
    const auto& url = *activity.webpageURL;
    // Log text read by support tooling; keep verbatim.
    Logger::info("URL received: " + url.absoluteString(), kLogType);

    const auto context = AppContext::current();
    if (const auto coordinator = context->appCoordinator()) {
        const auto navigation =
            window_ ? std::dynamic_pointer_cast<platform::ui::NavigationController>(window_->rootViewController())
                    : nullptr;
        coordinator->launchActionFlow(URLLinkAction::create(url, navigation));
    }
    const std::string launchState =
        appSessionTracker_ ? std::string(rawValue(appSessionTracker_->lastLaunchState())) : "N/A";
    context->korvaMarkerCenter->logInteraction(KORVAMarkerName::universalLinks,
                                               platform::Json{{"isColdStart", launchState}});
    return true;
}

bool AppDelegate::openURL(platform::ui::Application& /*application*/, const platform::Url& url,
                          const nlohmann::json& options) {
    return AppContext::current()->userAccountManager->handleIdentityProviderCommand(
        url, options, [](platform::veltrane::VQAuthResult result) {
            // Log texts read by support tooling; keep them verbatim. The
            // account's description names the user and org only.
            if (result) {
                const auto account = result->userAccount;
                Logger::info("IDP Command Completion: Successfully handled IDP command for user " +
                                 (account ? account->description() : std::string("nil")) + ".",
                             kLogType);
                return;
            }
            Logger::error("IDP Command Completion: Failed to handle IDP command. Error: " +
                              platform::veltrane::localizedDescription(result.error()),
                          kLogType);
            platform::Json attributes = platform::Json::object();
            for (const auto& [key, value] : MultiSSOInfoStore().fetchAppNameAndScheme()) attributes[key] = value;
            AppContext::current()->korvaMarkerCenter->logInteraction(KORVAMarkerName::multiSSOSPErrorRecieved,
                                                                     attributes);
        });
}

void AppDelegate::performActionForShortcutItem(platform::ui::Application& /*application*/,
                                               const platform::ui::ShortcutItem& item,
                                               std::function<void(bool)> completion) {
    // The switching actions open the site pickers, which are not part of the
    // app yet; they answer as handled whether or not anything was queued.
    if (item.type == shortcutType(".sendEventLog")) {
        completion(sendEventLog());
    } else if (item.type == shortcutType(".communitySwitching") || item.type == shortcutType(".sandboxSwitching")) {
        completion(true);
    } else {
        completion(false);
    }
}

bool AppDelegate::sendEventLog() {
    // The event-log mail joins with the feedback screens; the marker is logged already.
    AppContext::current()->korvaMarkerCenter->logInteraction(KORVAMarkerName::sendEventLogs, std::nullopt);
    return true;
}

// Remote notifications ----------------------------------------------------------------

void AppDelegate::didRegisterForRemoteNotifications(platform::ui::Application& /*application*/,
                                                    const platform::Data& /*deviceToken*/) {}

void AppDelegate::didFailToRegisterForRemoteNotifications(platform::ui::Application& /*application*/,
                                                          const platform::Error& error) {
    // Log text read by support tooling; keep verbatim.
    Logger::error("Failed to register: " + error.localizedDescription(), kLogType);
}

// The application's delegate -------------------------------------------------------------

std::shared_ptr<AppDelegate> applicationAppDelegate() {
    return std::dynamic_pointer_cast<AppDelegate>(platform::ui::Application::shared().delegate());
}

void endApplicationColdStartMarker(bool redirectedFromLogin) {
    if (const auto delegate = applicationAppDelegate()) delegate->endColdStartKORVAMarker(redirectedFromLogin);
}

} // namespace vellicor
