#include "VellicorApp/Shell/AppUpdateManager.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Shell/GateWindow.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/System/Storefront.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Presenting.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

namespace vellicor {

namespace {

constexpr const char* kTypeName = "AppUpdateManager";
/// The SDK window the required update's alert is shown in.
constexpr const char* kRequiredUpdateWindowName = "AppUpdateRequired";
constexpr const char* kOptionalAlertLastPresentedKey = "OptionalAlertLastPresented";
constexpr const char* kShortVersionKey = "CFBundleShortVersionString";
constexpr std::int64_t kMaximumGraceDays = 15;

/// A piece of a version read as a signed decimal integer: an optional sign,
/// then ASCII digits only. None for anything else, and beyond 64 bits.
std::optional<std::int64_t> versionPiece(std::string_view piece) {
    bool negative = false;
    if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
        negative = piece.front() == '-';
        piece.remove_prefix(1);
    }
    if (piece.empty() || !std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    // Read with the sign so that the smallest 64-bit value reads too.
    std::string text = (negative ? "-" : "") + std::string(piece);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::int64_t saturated(bool negative) {
    return negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
}

std::optional<std::string> shortVersion() {
    const auto value = AppContext::current()->mainBundle->objectForInfoDictionaryKey(kShortVersionKey);
    return value ? platform::asString(*value) : std::nullopt;
}

} // namespace

std::string title(AppUpdateAlertType type) {
    return type == AppUpdateAlertType::optional
               ? localized("OPTIONAL_UPDATE_ALERT_TITLE", "Optional app update alert title.")
               : localized("REQUIRED_UPDATE_ALERT_TITLE", "Required app update alert title.");
}

std::string message(AppUpdateAlertType type) {
    return type == AppUpdateAlertType::optional
               ? localized("OPTIONAL_UPDATE_ALERT_MESSAGE", "Optional app update alert message.")
               : localized("REQUIRED_UPDATE_ALERT_MESSAGE", "Required app update alert message.");
}

std::string confirmationAction(AppUpdateAlertType) { return localized("APP_UPDATE_ALERT_CONFIRM", "App update confirm."); }

std::optional<std::string> cancelAction(AppUpdateAlertType type) {
    if (type == AppUpdateAlertType::required) return std::nullopt;
    return localized("OPTIONAL_UPDATE_ALERT_CANCEL", "Optional app update cancel.");
}

std::int64_t versionIntegerValue(std::string_view version) {
    std::int64_t weight = 10000;
    std::int64_t total = 0;
    std::size_t start = 0;
    while (true) {
        const auto dot = version.find('.', start);
        const auto piece = version.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        const std::int64_t value = versionPiece(piece).value_or(0);
        std::int64_t term = 0;
        if (__builtin_mul_overflow(value, weight, &term)) term = saturated(value < 0);
        if (__builtin_add_overflow(total, term, &total)) total = saturated(term < 0);
        weight /= 100;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return total;
}

platform::TimeInterval sameTimeNextDay(platform::TimeInterval date, platform::SearchDirection direction) {
    const auto components = platform::dateComponents(date);
    const auto next = platform::nextTimeMatching(date, components.hour, components.minute, components.second,
                                                 components.nanosecond, direction);
    if (next) return *next;
    return direction == platform::SearchDirection::forward ? date + 86400 : date - 86400;
}

std::shared_ptr<AppUpdateManager> AppUpdateManager::create(AppUpdateConfigModel appUpdateConfig,
                                                           std::string currentOSVersion,
                                                           std::shared_ptr<AppUpdateNetworking> networkService,
                                                           MarkerLogger logMarker, DateProvider date) {
    return std::shared_ptr<AppUpdateManager>(new AppUpdateManager(appUpdateConfig, std::move(currentOSVersion),
                                                                  std::move(networkService), std::move(logMarker),
                                                                  std::move(date)));
}

AppUpdateManager::AppUpdateManager(AppUpdateConfigModel appUpdateConfig, std::string currentOSVersion,
                                   std::shared_ptr<AppUpdateNetworking> networkService, MarkerLogger logMarker,
                                   DateProvider date)
    : appUpdateConfig_(appUpdateConfig),
      appUpdateService_(std::move(networkService)),
      currentOSVersion_(std::move(currentOSVersion)),
      logMarker_(std::move(logMarker)),
      date_(date ? std::move(date) : DateProvider(platform::now)) {}

void AppUpdateManager::presentAppUpdateIfNeeded(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                                std::function<void()> completion) {
    if (!viewController) return;
    std::weak_ptr<AppUpdateManager> weak = weak_from_this();
    getITunesAppDetails([weak, viewController, completion = std::move(completion)](
                            std::optional<AppUpdate::Alert> alert) {
        auto self = weak.lock();
        if (!self || !alert) return;
        const auto context = AppContext::current();
        if (alert->type == AppUpdateAlertType::required) {
            // A required update lifts the daily limit of the optional alert.
            context->userDefaults->removeObject(kOptionalAlertLastPresentedKey);
            self->presentAlert(*alert, viewController);
            self->presentingViewController_ = viewController;
            self->forceUpdateAlert_ = alert;
            // Registered again on every required check; the registrations go
            // with the manager.
            context->notificationCenter->addObserver<AppUpdateManager>(
                self, platform::ui::kApplicationWillEnterForegroundNotification, nullptr,
                [](AppUpdateManager& manager, const platform::Notification&) { manager.redisplayAlert(); });
        } else if (self->canPresentOptionalAlert()) {
            self->presentAlert(*alert, viewController);
            context->userDefaults->setDouble(kOptionalAlertLastPresentedKey, self->currentDate());
        }
        if (completion) completion();
    });
}

void AppUpdateManager::getITunesAppDetails(std::function<void(std::optional<AppUpdate::Alert>)> completion) {
    const auto url = AppUpdate::Endpoint::iTunesURL(AppContext::current()->mainBundle->bundleIdentifier(),
                                                    platform::system::Storefront::countryCode());
    std::weak_ptr<AppUpdateManager> weak = weak_from_this();
    appUpdateService_->getAppUpdateDetails(url, [weak, completion = std::move(completion)](AppUpdateLookupResult result) {
        // Only checked here: the manager is touched on the main queue alone,
        // so that it is never released on the network's thread.
        if (weak.expired()) return;
        platform::MainQueue::async([weak, completion, result = std::move(result)] {
            auto self = weak.lock();
            if (!self) return;
            // Lookup failures show nothing and are not logged.
            if (!result) return completion(std::nullopt);
            self->processAppInfo(*result, completion);
        });
    });
}

void AppUpdateManager::processAppInfo(const ITunesAPI::AppInfo& info,
                                      const std::function<void(std::optional<AppUpdate::Alert>)>& completion) {
    if (!requiresAppUpdate(info)) return completion(std::nullopt);
    latestAppVersion_ = info.version;
    completion(AppUpdate::Alert{info.trackId, appUpdateAlertType(info), info.trackViewUrl});
}

bool AppUpdateManager::requiresAppUpdate(const ITunesAPI::AppInfo& info) const {
    return !hasLatestAppVersion(info) && hasMinimumOsVersion(info);
}

bool AppUpdateManager::hasLatestAppVersion(const ITunesAPI::AppInfo& info) const {
    const auto running = shortVersion();
    // Without a version of its own the app counts as up to date.
    if (!running) return true;
    return versionIntegerValue(*running) >= versionIntegerValue(info.version);
}

bool AppUpdateManager::hasMinimumOsVersion(const ITunesAPI::AppInfo& info) const {
    return versionIntegerValue(currentOSVersion_) >= versionIntegerValue(info.minimumOsVersion);
}

AppUpdateAlertType AppUpdateManager::appUpdateAlertType(const ITunesAPI::AppInfo& info) const {
    const auto grace = appUpdateConfig_.gracePeriod;
    if (grace < 0) return AppUpdateAlertType::optional;
    if (grace == 0) return AppUpdateAlertType::required;
    const auto days = static_cast<int>(std::min(grace, kMaximumGraceDays));
    const auto now = currentDate();
    const auto deadline = platform::addingDays(info.currentVersionReleaseDate, days).value_or(now);
    return now < deadline ? AppUpdateAlertType::optional : AppUpdateAlertType::required;
}

bool AppUpdateManager::canPresentOptionalAlert() const {
    const auto stored = AppContext::current()->userDefaults->objectForKey(kOptionalAlertLastPresentedKey);
    const auto last = stored ? platform::asDouble(*stored) : std::nullopt;
    if (!last) return true;
    return currentDate() > sameTimeNextDay(*last, platform::SearchDirection::forward);
}

void AppUpdateManager::presentAlert(const AppUpdate::Alert& alert,
                                    const std::shared_ptr<platform::ui::ViewController>& viewController) {
    using platform::ui::AlertAction;
    const auto context = AppContext::current();
    auto controller =
        platform::ui::AlertController::create(title(alert.type), message(alert.type), platform::ui::AlertController::Style::alert);
    const platform::Json attributes{
        {"isForced", alert.type == AppUpdateAlertType::required},
        {"isUserLoggedIn", context->isUserLoggedIn()},
        {"fromVersion", shortVersion().value_or("")},
        {"toVersion", latestAppVersion_.value_or("")},
    };
    const auto logMarker = logMarker_;
    const auto record = [logMarker, attributes](AppUpdateMarker marker) {
        if (logMarker) logMarker(marker, attributes);
    };

    std::weak_ptr<AppUpdateManager> weak = weak_from_this();
    auto confirm = AlertAction::create(confirmationAction(alert.type), AlertAction::Style::defaultStyle,
                                       std::function<void()>([weak, alert, record] {
                                           auto self = weak.lock();
                                           if (!self) return;
                                           self->openAppStorePage(alert.trackID, alert.browserURL);
                                           record(AppUpdateMarker::accept);
                                       }));
    controller->addAction(confirm);
    controller->setPreferredAction(confirm);
    if (const auto cancelTitle = cancelAction(alert.type)) {
        controller->addAction(AlertAction::create(*cancelTitle, AlertAction::Style::cancel,
                                                  std::function<void()>([record] { record(AppUpdateMarker::cancel); })));
    }
    const auto shown = [record](platform::ui::PresentationResult result) {
        if (result) {
            record(AppUpdateMarker::popup);
            return;
        }
        Logger::error("Failed to show the update alert: " + localizedDescription(result.error()), kTypeName);
    };
    if (alert.type == AppUpdateAlertType::required) {
        // A gate: the alert's own window covers whatever the app shows and
        // stays up after the alert's button, until the app is updated.
        if (!requiredUpdateGate_) requiredUpdateGate_ = GateWindow::create(kRequiredUpdateWindowName);
        requiredUpdateGate_->present(controller, true, shown);
        return;
    }
    platform::ui::presentOnTop(viewController, controller, true, shown);
}

void AppUpdateManager::openAppStorePage(std::int64_t trackID, const std::string& browserURL,
                                        std::function<void(bool)> completion) {
    const auto storeURL = AppUpdate::Endpoint::appStoreURL(trackID);
    if (!storeURL) return;
    platform::ui::Application::shared().open(
        *storeURL, platform::Json::object(), [browserURL, completion = std::move(completion)](bool opened) {
            if (!opened) {
                // Log text read by support tooling; keep verbatim.
                Logger::error("Failed to redirect user to App Store for app upgrade.", kTypeName);
                if (const auto webURL = platform::Url::parse(browserURL)) {
                    platform::ui::Application::shared().open(*webURL, platform::Json::object());
                }
            }
            if (completion) completion(opened);
        });
}

void AppUpdateManager::redisplayAlert() {
    const auto viewController = presentingViewController_.lock();
    if (!forceUpdateAlert_ || !viewController) return;
    // Still on screen: nothing to show again.
    if (requiredUpdateGate_ && requiredUpdateGate_->topViewController()) return;
    presentAlert(*forceUpdateAlert_, viewController);
}

} // namespace vellicor
