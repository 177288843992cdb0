#include "VellicorApp/Instrumentation/SessionTracker.hpp"

#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/UI/Application.hpp"

namespace vellicor {

std::shared_ptr<SessionTracker> SessionTracker::create(double backgroundTimer) {
    auto tracker = std::shared_ptr<SessionTracker>(new SessionTracker(backgroundTimer));
    auto center = AppContext::current()->notificationCenter;
    tracker->notificationCenter_ = center;
    center->addObserver<SessionTracker>(tracker, platform::ui::kApplicationWillEnterForegroundNotification, nullptr,
                                        [](SessionTracker& self, const platform::Notification&) {
                                            self.willEnterForeground();
                                        });
    center->addObserver<SessionTracker>(tracker, platform::ui::kApplicationDidEnterBackgroundNotification, nullptr,
                                        [](SessionTracker& self, const platform::Notification&) {
                                            self.didEnterBackground();
                                        });
    return tracker;
}

SessionTracker::~SessionTracker() {
    if (notificationCenter_) notificationCenter_->removeObservers(this);
}

void SessionTracker::didEnterBackground() { startTime_ = platform::now(); }

void SessionTracker::willEnterForeground() {
    endTime_ = platform::now();
    const auto delegate = delegate_.lock();
    if (!delegate) return;
    const auto away = korvaTime(duration());
    const auto limit = truncatedToInteger(backgroundTimer_);
    delegate->sessionTrackerShouldValidate(limit < away);
}

} // namespace vellicor
