#include "VellicorApp/Hybrid/UserTrackingTransparencyManager.hpp"

#include "VellicorApp/Community/HTTPCookieFactory.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "Platform/Foundation/Calendar.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/System/TrackingManager.hpp"
#include "Platform/Web/HttpCookieStore.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

#include <chrono>

namespace vellicor {

namespace {

constexpr const char* kLogType = "UserTrackingTransparencyManager";

using platform::system::TrackingAuthorizationStatus;

/// The same wall-clock time one calendar year later (29 February gives 28
/// February); `time` itself when the calendar cannot say.
platform::TimeInterval oneYearLater(platform::TimeInterval time) {
    namespace chrono = std::chrono;
    const auto parts = platform::dateComponents(time);
    const chrono::year_month_day today{chrono::year(parts.year), chrono::month(static_cast<unsigned>(parts.month)),
                                       chrono::day(static_cast<unsigned>(parts.day))};
    if (!today.ok()) return time;
    chrono::year_month_day nextYear = today + chrono::years(1);
    if (!nextYear.ok()) nextYear = nextYear.year() / nextYear.month() / chrono::last;
    const auto days = (chrono::sys_days(nextYear) - chrono::sys_days(today)).count();
    return platform::addingDays(time, static_cast<int>(days)).value_or(time);
}

void logMarker(bool authorized, bool changed, bool cookieCreated) {
    AppContext::current()->korvaMarkerCenter->logInteraction(
        KORVAMarkerName::userTrackingPermission, platform::Json{{"isUserTrackingAuthorized", authorized},
                                                                {"isUserTrackingPermissionChanged", changed},
                                                                {"isUserTrackingCookieCreated", cookieCreated}});
}

} // namespace

const std::shared_ptr<UserTrackingTransparencyManager>& UserTrackingTransparencyManager::shared() {
    static const std::shared_ptr<UserTrackingTransparencyManager> instance(new UserTrackingTransparencyManager());
    return instance;
}

void UserTrackingTransparencyManager::updateCookies(std::function<void()> completion) {
    const auto context = AppContext::current();
    const auto usage = context->mainBundle->objectForInfoDictionaryKey(kUsageDescriptionKey);
    if (!usage || !usage->is_string()) {
        Logger::info("Skip app tracking Cookie injection request.", kLogType);
        if (completion) completion();
        return;
    }

    const auto status = platform::system::TrackingManager::trackingAuthorizationStatus();
    const auto statusNumber = static_cast<std::int64_t>(status);
    const bool authorized = status == TrackingAuthorizationStatus::authorized;
    const bool changed = context->userDefaults->integerForKey(kLastAuthorizationStatusKey) != statusNumber;
    // Stored now, so that the next update reports a change only if there is one since this.
    context->userDefaults->setObject(kLastAuthorizationStatusKey, platform::Json(statusNumber));

    platform::MainQueue::async([authorized, changed, completion = std::move(completion)] {
        const auto cookie = HTTPCookieFactory::cookie(kCookieName, authorized ? "TRUE" : "FALSE",
                                                      oneYearLater(platform::now()));
        if (!cookie) {
            Logger::error("Failed to insert User Tracking Permission cookie. Moving forward with app flow.", kLogType);
            logMarker(authorized, changed, false);
            if (completion) completion();
            return;
        }
        AppContext::current()->webDataStore->httpCookieStore()->setCookie(
            *cookie, [authorized, changed, completion] {
                Logger::info("Successfully inserted User Tracking Permission cookie.", kLogType);
                logMarker(authorized, changed, true);
                if (completion) completion();
            });
    });
}

} // namespace vellicor
