#include "VellicorApp/Push/ZentariPushManager.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Push/PushAppHooks.hpp"
#include "VellicorApp/Push/PushRegistration.hpp"
#include "VellicorApp/Push/UserNotificationCenter.hpp"
#include "VellicorApp/Community/ZentariProvisionSelectionStore.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"
#include "Platform/System/BackgroundTaskScheduler.hpp"
#include "Platform/UI/Application.hpp"

namespace vellicor {

namespace {

// The log texts of this file are read by support tooling; keep them verbatim.
constexpr const char* kLogType = "ZentariPushManager";

std::optional<std::string> defaultConfigPath() {
    return AppContext::current()->mainBundle->pathForResource("ZentariSDKConfiguration", "json");
}

void logInteraction(KORVAMarkerName name, std::optional<platform::Json> attributes) {
    AppContext::current()->korvaMarkerCenter->logInteraction(name, std::move(attributes));
}

const char* text(bool value) { return value ? "true" : "false"; }

} // namespace

std::shared_ptr<ZentariPushManager> ZentariPushManager::create(std::shared_ptr<ZentariSDKManaging> sdkManager) {
    return create(defaultConfigPath(), std::move(sdkManager));
}

std::shared_ptr<ZentariPushManager> ZentariPushManager::create(std::optional<std::string> configPath,
                                                               std::shared_ptr<ZentariSDKManaging> sdkManager) {
    const auto entry = ZentariProvisionSelectionStore(std::move(configPath)).selection();
    if (!entry) {
        Logger::info("Zentari configuration not found. Skipping Zentari initialization/registration", kLogType);
        return nullptr;
    }
    auto manager = std::shared_ptr<ZentariPushManager>(new ZentariPushManager(std::move(sdkManager)));
    if (shouldRegisterForPushNotifications(*AppContext::current()->mainBundle)) {
        manager->requestNotificationAuthorization(
            [] { Logger::info("Zentari registered for push on initialization.", kLogType); });
    }
    manager->registerForNotifications(*entry, false);
    return manager;
}

// Permission ---------------------------------------------------------------------------

void ZentariPushManager::requestNotificationAuthorization(std::function<void()> completionHandler) {
    using namespace platform::system::UNAuthorizationOptions;
    AppContext::current()->userNotificationCenter->requestAuthorization(
        alert | sound | badge,
        [completionHandler = std::move(completionHandler)](bool granted, std::optional<platform::Error> error) {
            platform::MainQueue::async([granted, error] {
                if (!granted) {
                    Logger::error(notificationAccessDeniedText(error), kLogType);
                    return;
                }
                Logger::info("Registering for remote push notifications", kLogType);
                logInteraction(KORVAMarkerName::zentariPushPermission,
                               platform::Json{{"pushPermissionAccepted", true}});
                platform::ui::Application::shared().registerForRemoteNotifications();
            });
            // At once, on the answer's thread: it does not wait for the work above.
            if (completionHandler) completionHandler();
        });
}

// Registration -------------------------------------------------------------------------

void ZentariPushManager::registerForNotifications(const ZentariPushProvisioningInfo& entry, bool isReregister) {
    if (!zentariSDK_) return;
    std::weak_ptr<ZentariPushManager> weakSelf = weak_from_this();
    const auto failure =
        zentariSDK_->initialize(entry, [weakSelf, entry, isReregister](std::optional<platform::Error> error) {
            if (error) return;
            didRegister(weakSelf.lock(), entry, isReregister);
        });
    if (failure) {
        Logger::error("Failed to configure Zentari with error = " + failure->localizedDescription(), kLogType);
        AppContext::current()->korvaMarkerCenter->logError(KORVAMarkerName::zentariInitializationFailed,
                                                           KORVAErrorType::error, std::nullopt);
    }
}

void ZentariPushManager::didRegister(const std::shared_ptr<ZentariPushManager>& self,
                                     const ZentariPushProvisioningInfo& entry, bool isReregister) {
    const auto context = AppContext::current();
    const auto userAccount = context->userAccount();
    if (isReregister && userAccount) {
        if (self) self->setContactKey(userAccount);
        Logger::info("Reconfigure Zentari with Current User", kLogType);
    } else {
        logInteraction(KORVAMarkerName::zentariInitialized, std::nullopt);
        Logger::info(std::string("Delay Registration Until Contact Key is set = ") +
                         text(entry.delayRegistrationUntilContactKeyIsSet),
                     kLogType);
        if (!entry.delayRegistrationUntilContactKeyIsSet) {
            auto guestKey = context->userDefaults->stringForKey(kGuestUserKey);
            if (!guestKey) guestKey = platform::Uuid().uuidString();
            // Stored every time, also when it was there already.
            context->userDefaults->setObject(kGuestUserKey, platform::Json(*guestKey));
            if (self) self->setContactKey(guestKey);
        }
    }
    if (!self || !self->zentariSDK_) return;
    self->zentariSDK_->startWatchingLocation();
    self->zentariSDK_->setURLHandlingDelegate(self);
    self->zentariSDK_->setEventDelegate(self);
}

// Contact key --------------------------------------------------------------------------

void ZentariPushManager::setContactKey(const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount) {
    const auto credentials = userAccount ? userAccount->credentials() : nullptr;
    if (!credentials || !credentials->userId || !credentials->organizationId) return;
    Logger::info("Trying to set ContactKey for Zentari setup.", kLogType);
    const auto fallbackKey = *credentials->userId + "_" + *credentials->organizationId;
    const auto request = platform::veltrane::VQRestRequest::requestWithMethod(
        platform::veltrane::VQRestMethod::GET, "/" + RestAPI::version() + "/records/user/" + *credentials->userId);
    std::weak_ptr<ZentariPushManager> weakSelf = weak_from_this();
    AppContext::current()->networkService()->executeRequest(
        request, [weakSelf, fallbackKey](std::expected<platform::Json, platform::Error> result,
                                         std::optional<platform::HttpResponse>) {
            const auto self = weakSelf.lock();
            if (!result) {
                Logger::error("Fetching user credentials failed with error: " + messageString(result.error()), kLogType);
                if (self && self->zentariSDK_) self->zentariSDK_->setProfileId(fallbackKey);
                logInteraction(KORVAMarkerName::zentariContactIdAvailable,
                               platform::Json{{"contactKeyIsContactId", false}});
                return;
            }
            const auto contactId = platform::jsonString(*result, "ContactId");
            if (self && self->zentariSDK_) self->zentariSDK_->setProfileId(contactId.value_or(fallbackKey));
            logInteraction(KORVAMarkerName::zentariContactIdAvailable,
                           platform::Json{{"contactKeyIsContactId", contactId.has_value()}});
        });
}

void ZentariPushManager::setContactKey() {
    setContactKey(AppContext::current()->userDefaults->stringForKey(kGuestUserKey));
}

void ZentariPushManager::setContactKey(const std::optional<std::string>& key) {
    if (!key) {
        Logger::warning("No contact Key found. Skipping contact key update.", kLogType);
        return;
    }
    logInteraction(KORVAMarkerName::zentariContactIdAvailable, platform::Json{{"contactKeyIsGuest", true}});
    if (zentariSDK_) zentariSDK_->setProfileId(*key);
}

void ZentariPushManager::setNotificationRequest(const platform::system::UNNotificationRequest& request) {
    if (zentariSDK_) zentariSDK_->setNotificationRequest(request);
}

// Community switch ---------------------------------------------------------------------

void ZentariPushManager::update() { update(defaultConfigPath()); }

void ZentariPushManager::update(std::optional<std::string> configPath) {
    std::weak_ptr<ZentariPushManager> weakSelf = weak_from_this();
    unregister([weakSelf, configPath = std::move(configPath)] {
        const auto self = weakSelf.lock();
        if (!self) return;
        // Compared by raw value, as the SDK's status is.
        if (self->zentariSDK_ && static_cast<int>(self->zentariSDK_->getStatus()) ==
                                     static_cast<int>(platform::zentari::ModuleStatus::initializing)) {
            Logger::info("Zentari is initializing skipping reconfiguration.", kLogType);
            return;
        }
        if (!configPath) return;
        self->reconfigureZentari(*configPath);
    });
}

void ZentariPushManager::unregister(const std::function<void()>& completion) {
    completion();
    if (zentariSDK_) zentariSDK_->disablePush();
}

void ZentariPushManager::reconfigureZentari(const std::string& configPath) {
    if (zentariSDK_) zentariSDK_->tearDown();
    const auto entry = ZentariProvisionSelectionStore(configPath).selection();
    if (!entry) {
        Logger::info("Zentari configuration not found. Skipping Zentari update", kLogType);
        return;
    }
    registerForNotifications(*entry, true);
}

// Background refresh -------------------------------------------------------------------

std::optional<std::string> ZentariPushManager::backgroundTaskIdentifier() {
    const auto bundleIdentifier = AppContext::current()->mainBundle->bundleIdentifier();
    if (!bundleIdentifier) return std::nullopt;
    return *bundleIdentifier + kRefreshTaskSuffix;
}

void ZentariPushManager::backgroundRefresh() {
    const auto identifier = backgroundTaskIdentifier();
    if (!identifier) return;
    std::weak_ptr<ZentariPushManager> weakSelf = weak_from_this();
    // The answer is not checked: an identifier the app may not use is simply never run.
    platform::system::BGTaskScheduler::shared()->registerForTaskWithIdentifier(
        *identifier, nullptr, [weakSelf](const std::shared_ptr<platform::system::BGTask>& task) {
            std::weak_ptr<platform::system::BGTask> weakTask = task;
            task->setExpirationHandler([weakTask] {
                if (const auto expiring = weakTask.lock()) expiring->setTaskCompleted(false);
            });
            Logger::info("Background refresh triggered.", kLogType);
            task->setTaskCompleted(true);
            if (const auto self = weakSelf.lock()) self->scheduleBackgroundRefresh();
        });
}

void ZentariPushManager::scheduleBackgroundRefresh() {
    const auto identifier = backgroundTaskIdentifier();
    if (!identifier) return;
    // A refused submission is dropped: the next one comes when the app next
    // enters the background.
    (void)platform::system::BGTaskScheduler::shared()->submit(
        platform::system::BGAppRefreshTaskRequest{*identifier, std::nullopt});
    if (zentariSDK_) zentariSDK_->refresh();
}

// Debug logging ------------------------------------------------------------------------

bool ZentariPushManager::debugLoggingEnabled() const {
    return AppContext::current()->userDefaults->boolForKey(kDebugLoggingKey);
}

void ZentariPushManager::setDebugLoggingEnabled(bool enabled) {
    AppContext::current()->userDefaults->setBool(kDebugLoggingKey, enabled);
    if (zentariSDK_) zentariSDK_->setDebugLoggingEnabled(enabled);
    Logger::info(std::string("MKT debug logging is ") + text(enabled) + "...", kLogType);
}

// SDK delegates ------------------------------------------------------------------------

void ZentariPushManager::vqzt_handleURL(const platform::Url& url, const std::string& /*type*/) {
    Logger::info("Handling zentari push url: " + url.absoluteString(), kLogType);
    if (url.absoluteString() != kPushPermissionURL) {
        launchURLLinkAction(url);
        return;
    }
    Logger::info("User accepted In-App-Message for push notification permission.", kLogType);
    requestNotificationAuthorization([] {
        Logger::info("Zentari registered for push on In App Push.", kLogType);
        // Stored whatever the answer: the in-app message has done its part.
        AppContext::current()->userDefaults->setBool(kInAppPushCompletedKey, true);
    });
}

bool ZentariPushManager::vqzt_shouldShow(const platform::Json& /*inAppMessage*/) { return true; }

void ZentariPushManager::vqzt_didShow(const platform::Json& /*inAppMessage*/) {
    Logger::info("In-App-Message did get displayed.", kLogType);
    logInteraction(KORVAMarkerName::zentariPushPermission, platform::Json{{"inAppMessageDisplayed", true}});
}

void ZentariPushManager::vqzt_didClose(const platform::Json& /*inAppMessage*/) {
    Logger::info("In-App-Message did get closed.", kLogType);
    logInteraction(KORVAMarkerName::zentariPushPermission, platform::Json{{"inAppMessageClosed", true}});
}

} // namespace vellicor
