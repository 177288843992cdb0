#include "VellicorApp/Push/PushNotificationManager.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Push/BadgeCountUpdater.hpp"
#include "VellicorApp/Push/PushAppHooks.hpp"
#include "VellicorApp/Push/UserNotificationCenter.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/UI/Application.hpp"

namespace vellicor {

namespace {

// The log texts of this file are read by support tooling; keep them verbatim.
constexpr const char* kLogType = "PushNotificationManager";

/// A status dictionary in the log's form: ["read": "true"].
std::string statusText(const platform::Json& status) {
    std::string text = "[";
    bool first = true;
    for (auto it = status.begin(); it != status.end(); ++it) {
        if (!first) text += ", ";
        first = false;
        text += platform::Json(it.key()).dump() + ": " + it.value().dump();
    }
    return text + "]";
}

} // namespace

std::shared_ptr<PushNotificationManager> PushNotificationManager::create(
    const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount) {
    return std::shared_ptr<PushNotificationManager>(new PushNotificationManager(userAccount));
}

PushNotificationManager::PushNotificationManager(const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount)
    : userAccount_(userAccount), context_(AppContext::current()) {}

PushNotificationManager::~PushNotificationManager() {
    if (context_.expired()) return;
    // Release work only starts the recount and unregisters; nothing may escape.
    try {
        BadgeCountUpdater().resetAppIconBadgeCount();
        unregisterForNotifications();
    } catch (...) {
    }
}

void PushNotificationManager::registerForNotifications(PermissionCompletion completion) {
    using namespace platform::system::UNAuthorizationOptions;
    AppContext::current()->userNotificationCenter->requestAuthorization(
        badge | sound | alert,
        [completion = std::move(completion)](bool granted, std::optional<platform::Error> error) {
            platform::MainQueue::async([completion, granted, error] {
                // The device registers through the marketing push manager, not here.
                if (granted) Logger::info("Registering for remote push notifications", kLogType);
                else Logger::error(notificationAccessDeniedText(error), kLogType);
                if (completion) completion(granted, error);
            });
        });
}

void PushNotificationManager::registerDeviceToken(const platform::Data& /*token*/,
                                                  std::function<void(bool)> completionHandler) {
    if (completionHandler) completionHandler(false);
}

void PushNotificationManager::updateNotificationStatusToRead(const std::optional<std::string>& notificationID,
                                                             StatusCompletion completion) {
    if (!notificationID) {
        if (completion) {
            completion(platform::Error(
                "INVALID_RECORD_ID", 400,
                platform::Json{{std::string(platform::kLocalizedDescriptionKey),
                                localized("INVALID_NOTIFICATION_ID", "Invalid notification ID")}}));
        }
        return;
    }
    updateNotificationStatus(*notificationID, platform::Json{{"read", "true"}}, std::move(completion));
}

void PushNotificationManager::updateNotificationStatus(const std::string& notificationID, const platform::Json& status,
                                                       StatusCompletion completion) {
    const auto context = AppContext::current();
    if (!context->userAccountManager->currentUser()) {
        if (completion) completion(platform::Error("AUTHENTICATION_REQUIRED", -1013));
        return;
    }
    const auto service = context->networkService();
    const auto concrete = std::dynamic_pointer_cast<NetworkService>(service);
    const auto restClient = concrete ? concrete->restClient() : platform::veltrane::VQRestAPI::sharedInstance();
    auto request = restClient->requestForNotification(notificationID, RestAPI::version());
    request.method = platform::veltrane::VQRestMethod::PATCH;
    request.setCustomRequestBodyDictionary(status, "application/json");
    service->executeRequest(request, [notificationID, status, completion = std::move(completion)](
                                         std::expected<platform::Json, platform::Error> result,
                                         std::optional<platform::HttpResponse>) {
        platform::MainQueue::async([notificationID, status, completion, result = std::move(result)] {
            if (result) {
                Logger::info("Mark notification ID: " + notificationID + " as " + statusText(status) + " succeed.",
                             kLogType);
                if (completion) completion(std::nullopt);
                return;
            }
            Logger::error("Failed to mark notification ID: " + notificationID + " as " + statusText(status) +
                              " with error: " + messageString(result.error()),
                          kLogType);
            if (completion) completion(result.error());
        });
    });
}

void PushNotificationManager::unregisterForNotifications() {
    if (AppContext::current()->mktPushManager()) return;
    platform::ui::Application::shared().unregisterForRemoteNotifications();
    Logger::info("Unregister from APNS", kLogType);
}

void PushNotificationManager::handleDeeplink(const platform::Json& userInfo) {
    if (!launchDeeplinkAction(userInfo)) return;
    // A tap while the app is in front opened nothing new: no marker.
    if (platform::ui::Application::shared().applicationState() == platform::ui::ApplicationState::active) return;
    AppContext::current()->korvaMarkerCenter->logInteraction(KORVAMarkerName::pushNotification,
                                                             platform::Json{{"isColdStart", lastLaunchStateText()}});
}

} // namespace vellicor
