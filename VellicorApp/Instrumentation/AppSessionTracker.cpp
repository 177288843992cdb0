#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Instrumentation/DurationTracking.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/UI/Application.hpp"

namespace vellicor {

namespace {

/// The marker centre the running context holds: the process's one centre.
std::shared_ptr<KORVAMarkerManaging> markerCenter() { return AppContext::current()->korvaMarkerCenter; }

} // namespace

std::shared_ptr<AppSessionTracker> AppSessionTracker::create(double backgroundWaitTime) {
    return create(markerCenter()->createMarker(KORVAMarkerName::appSession, KORVAMarkerType::performance),
                  backgroundWaitTime);
}

std::shared_ptr<AppSessionTracker> AppSessionTracker::create(std::string appSession, double backgroundWaitTime) {
    auto tracker = std::shared_ptr<AppSessionTracker>(new AppSessionTracker(std::move(appSession), backgroundWaitTime));
    tracker->observe();
    return tracker;
}

void AppSessionTracker::observe() {
    notificationCenter_ = AppContext::current()->notificationCenter;
    const auto self = shared_from_this();
    notificationCenter_->addObserver<AppSessionTracker>(
        self, platform::ui::kApplicationWillEnterForegroundNotification, nullptr,
        [](AppSessionTracker& tracker, const platform::Notification&) { tracker.willEnterForeground(); });
    notificationCenter_->addObserver<AppSessionTracker>(
        self, platform::ui::kApplicationDidEnterBackgroundNotification, nullptr,
        [](AppSessionTracker& tracker, const platform::Notification&) { tracker.didEnterBackground(); });
    notificationCenter_->addObserver<AppSessionTracker>(
        self, platform::ui::kApplicationWillTerminateNotification, nullptr,
        [](AppSessionTracker& tracker, const platform::Notification&) { tracker.willTerminate(); });
}

AppSessionTracker::~AppSessionTracker() {
    if (notificationCenter_) notificationCenter_->removeObservers(this);
}

void AppSessionTracker::start() { markerCenter()->start(appSession_, platform::now()); }

const std::string& AppSessionTracker::backgroundSession() {
    if (!backgroundSession_) {
        backgroundSession_ = markerCenter()->createMarker(KORVAMarkerName::background, KORVAMarkerType::performance);
    }
    return *backgroundSession_;
}

platform::TimeInterval AppSessionTracker::applicationEnterBackgroundTimeInterval() const {
    return AppContext::current()->userDefaults->doubleForKey(kEnterBackgroundTimeIntervalKey);
}

void AppSessionTracker::setApplicationEnterBackgroundTimeInterval(platform::TimeInterval time) {
    AppContext::current()->userDefaults->setDouble(kEnterBackgroundTimeIntervalKey, time);
}

bool AppSessionTracker::shouldTriggerSessionRefresh() const {
    const auto left = applicationEnterBackgroundTimeInterval();
    if (left == 0) return true;
    return platform::now() - left >= kSessionRefreshInterval;
}

void AppSessionTracker::didEnterBackground() {
    const auto center = markerCenter();
    const auto now = platform::now();
    setApplicationEnterBackgroundTimeInterval(now);
    center->start(backgroundSession(), now);
    if (const auto session = center->getMarker(appSession_)) session->setAttributes(center->loginAndNetworkStatus());
    // Also without a session marker: the centre then logs that it is missing.
    center->end(appSession_, now);
    lastLaunchState_ = AppLaunchState::warmStart;
}

void AppSessionTracker::willEnterForeground() {
    const auto center = markerCenter();
    const auto now = platform::now();
    center->end(backgroundSession(), now);
    const auto background = center->getMarker(backgroundSession());
    const auto* timed = dynamic_cast<const DurationTracking*>(background.get());
    if (!timed) return;

    const auto away = korvaTime(timed->duration());
    const auto limit = truncatedToInteger(backgroundWaitTime_);
    if (!(limit < away)) return; // the same session goes on

    center->log(appSession_);
    appSession_ = center->createMarker(KORVAMarkerName::appSession, KORVAMarkerType::performance);
    center->start(appSession_, now);
}

void AppSessionTracker::willTerminate() { markerCenter()->log(appSession_); }

std::string_view rawValue(AppSessionTracker::AppLaunchState state) {
    switch (state) {
    case AppSessionTracker::AppLaunchState::coldStart: return "coldStart";
    case AppSessionTracker::AppLaunchState::warmStart: return "warmStart";
    }
    return "coldStart";
}

} // namespace vellicor
