#pragma once

#include "VellicorApp/Instrumentation/DurationTracking.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"

#include <memory>

namespace vellicor {

/// Told, on every return to the foreground, whether the time away exceeded
/// the tracker's timer.
class SessionTrackerDelegate {
public:
    virtual ~SessionTrackerDelegate() = default;
    virtual void sessionTrackerShouldValidate(bool shouldValidate) = 0;
};

/// Measures one time away from the foreground: the start is when the app
/// entered the background, the end when it came back. On the main thread.
class SessionTracker : public DurationTracking, public std::enable_shared_from_this<SessionTracker> {
public:
    /// Observes the running context's notification centre for the
    /// application's background and foreground transitions. The timer is in
    /// milliseconds.
    static std::shared_ptr<SessionTracker> create(double backgroundTimer);
    ~SessionTracker() override;
    SessionTracker(const SessionTracker&) = delete;
    SessionTracker& operator=(const SessionTracker&) = delete;

    /// Milliseconds.
    double backgroundTimer() const { return backgroundTimer_; }

    platform::TimeInterval startTime() const override { return startTime_; }
    void setStartTime(platform::TimeInterval time) override { startTime_ = time; }
    platform::TimeInterval endTime() const override { return endTime_; }
    void setEndTime(platform::TimeInterval time) override { endTime_ = time; }

    /// Held weakly; none at creation.
    std::shared_ptr<SessionTrackerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<SessionTrackerDelegate>& delegate) { delegate_ = delegate; }

private:
    explicit SessionTracker(double backgroundTimer) : backgroundTimer_(backgroundTimer) {}

    void didEnterBackground();
    /// Sets the end and, with a delegate, tells it whether the time away in
    /// whole milliseconds is greater than the timer truncated to a whole number.
    void willEnterForeground();

    const double backgroundTimer_;
    platform::TimeInterval startTime_ = 0;
    platform::TimeInterval endTime_ = 0;
    std::weak_ptr<SessionTrackerDelegate> delegate_;
    std::shared_ptr<platform::NotificationCenter> notificationCenter_;
};

} // namespace vellicor
