#include "VellicorApp/Instrumentation/SessionTracker.hpp"

#include "Platform/UI/Application.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class RecordingDelegate : public SessionTrackerDelegate {
public:
    void sessionTrackerShouldValidate(bool shouldValidate) override { answers.push_back(shouldValidate); }
    std::vector<bool> answers;
};

class SessionTrackerTest : public instrtest::InstrumentationTest {
protected:
    void enterBackground() { context->notificationCenter->post(platform::ui::kApplicationDidEnterBackgroundNotification); }
    void enterForeground() { context->notificationCenter->post(platform::ui::kApplicationWillEnterForegroundNotification); }

    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

TEST_F(SessionTrackerTest, TellsItsDelegateWhetherTheTimeAwayExceededTheTimer) {
    struct Case {
        const char* name;
        double timer; // ms
        double away;  // s
        bool expected;
    };
    const Case cases[] = {
        {"a day's timer, one hour away", 86'400'000.0, 3600, false},
        {"a day's timer, 25 hours away", 86'400'000.0, 25 * 3600, true},
        {"a day's timer, exactly a day away", 86'400'000.0, 86'400, false},
        // Times near 2023 carry about a microsecond of rounding, so the boundary
        // case lies half a millisecond inside.
        {"a day's timer, a day and a millisecond away", 86'400'000.0, 86'400.0015, true},
        {"the timer is truncated", 900'000.9, 900.0009, false},
        {"no time away", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tracker = SessionTracker::create(c.timer);
        auto recorder = std::make_shared<RecordingDelegate>();
        tracker->setDelegate(recorder);
        const auto left = platform::now();
        enterBackground();
        testsupport::clock()->advance(c.away);
        enterForeground();
        EXPECT_THAT(recorder->answers, ElementsAre(c.expected));
        EXPECT_DOUBLE_EQ(tracker->startTime(), left);
        EXPECT_DOUBLE_EQ(tracker->endTime(), left + c.away);
    }
}

TEST_F(SessionTrackerTest, AReturnWithoutALeaveCountsTheTimeSince1970) {
    const auto tracker = SessionTracker::create(86'400'000.0);
    tracker->setDelegate(delegate);
    enterForeground();
    EXPECT_THAT(delegate->answers, ElementsAre(true));
    EXPECT_EQ(tracker->startTime(), 0);
}

TEST_F(SessionTrackerTest, TheDelegateHearsOfEveryReturnWhileItLives) {
    const auto tracker = SessionTracker::create(60'000.0);
    enterBackground();
    enterForeground(); // no delegate yet: only the times change
    EXPECT_DOUBLE_EQ(tracker->endTime(), testsupport::kStartTime);

    tracker->setDelegate(delegate);
    for (const double away : {10.0, 61.0, 60.0}) {
        enterBackground();
        testsupport::clock()->advance(away);
        enterForeground();
    }
    EXPECT_THAT(delegate->answers, ElementsAre(false, true, false));

    // Held weakly: once its owner lets go, nobody is told.
    std::weak_ptr<RecordingDelegate> weak = delegate;
    delegate.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(tracker->delegate(), nullptr);
    enterBackground();
    enterForeground();
}

TEST_F(SessionTrackerTest, AReleasedTrackerStopsObserving) {
    const auto observersBefore = context->notificationCenter->observerCount();
    auto tracker = SessionTracker::create(1000.0);
    EXPECT_EQ(context->notificationCenter->observerCount(), observersBefore + 2);
    tracker.reset();
    EXPECT_EQ(context->notificationCenter->observerCount(), observersBefore);
    enterBackground();
    enterForeground();
}

} // namespace
