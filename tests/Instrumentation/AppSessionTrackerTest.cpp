#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"

#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/UI/Application.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vellicor;
using ::testing::IsEmpty;

namespace {

class AppSessionTrackerTest : public instrtest::InstrumentationTest {
protected:
    void post(const char* name) { context->notificationCenter->post(name); }
    void enterBackground() { post(platform::ui::kApplicationDidEnterBackgroundNotification); }
    void enterForeground() { post(platform::ui::kApplicationWillEnterForegroundNotification); }

    /// The open performance marker with that ID, or null.
    static std::shared_ptr<KORVAPerformanceMarker> marker(const std::string& id) {
        return std::dynamic_pointer_cast<KORVAPerformanceMarker>(KORVAMarkerCenter::current()->getMarker(id));
    }

    /// The stored events of that name.
    static std::vector<instrtest::Event> events(const std::string& name) {
        std::vector<instrtest::Event> found;
        for (auto& event : instrtest::storedEvents()) {
            if (event->name == name) found.push_back(event);
        }
        return found;
    }

    static constexpr double kStart = testsupport::kStartTime;
};

TEST_F(AppSessionTrackerTest, StartsAColdSession) {
    const auto tracker = AppSessionTracker::create(15000.0);
    const auto session = marker(tracker->appSession());
    ASSERT_TRUE(session);
    EXPECT_EQ(session->name(), KORVAMarkerName::appSession);
    EXPECT_EQ(session->startTime(), 0);

    tracker->start();
    EXPECT_DOUBLE_EQ(session->startTime(), kStart);
    EXPECT_EQ(tracker->lastLaunchState(), AppSessionTracker::AppLaunchState::coldStart);
    EXPECT_EQ(rawValue(tracker->lastLaunchState()), "coldStart");
    EXPECT_EQ(rawValue(AppSessionTracker::AppLaunchState::warmStart), "warmStart");
    EXPECT_EQ(tracker->backgroundWaitTime(), 15000.0);
    EXPECT_EQ(tracker->applicationEnterBackgroundTimeInterval(), 0); // never in the background

    // A tracker over a marker it is given.
    const auto given = KORVAMarkerCenter::current()->createMarker(KORVAMarkerName::appSession, KORVAMarkerType::performance);
    EXPECT_EQ(AppSessionTracker::create(given, 1.0)->appSession(), given);
}

TEST_F(AppSessionTrackerTest, LeavingEndsTheSessionAndStartsTheTimeAway) {
    const auto tracker = AppSessionTracker::create(15000.0);
    tracker->start();
    testsupport::clock()->advance(30);

    enterBackground();

    const auto session = marker(tracker->appSession());
    ASSERT_TRUE(session);
    EXPECT_DOUBLE_EQ(session->endTime(), kStart + 30);
    EXPECT_EQ(session->attributes(), platform::Json({{"isUserLoggedIn", false}, {"networkStatus", "Wifi"}}));
    const auto background = marker(tracker->backgroundSession());
    ASSERT_TRUE(background);
    EXPECT_EQ(background->name(), KORVAMarkerName::background);
    EXPECT_DOUBLE_EQ(background->startTime(), kStart + 30);
    EXPECT_DOUBLE_EQ(tracker->applicationEnterBackgroundTimeInterval(), kStart + 30);
    EXPECT_DOUBLE_EQ(context->userDefaults->doubleForKey("ApplicationEnterBackgroundTimeIntervalKey"), kStart + 30);
    EXPECT_EQ(tracker->lastLaunchState(), AppSessionTracker::AppLaunchState::warmStart);
}

TEST_F(AppSessionTrackerTest, ANewSessionBeginsOnlyAfterMoreThanTheWaitTimeAway) {
    struct Case {
        const char* name;
        double away; // seconds
        bool newSession;
    };
    const Case cases[] = {
        {"a short time away", 3.0, false},
        {"exactly the wait time", 15.0, false},
        // 15001 ms (times near 2023 carry about a microsecond of rounding, so
        // the case lies half a millisecond inside).
        {"a millisecond more", 15.0015, true},
        {"an hour", 3600.0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto tracker = AppSessionTracker::create(15000.0);
        tracker->start();
        const auto first = tracker->appSession();
        testsupport::clock()->advance(10);
        enterBackground();
        const auto left = platform::now();
        testsupport::clock()->advance(c.away);
        enterForeground();

        EXPECT_DOUBLE_EQ(marker(tracker->backgroundSession())->endTime(), left + c.away);
        if (!c.newSession) {
            EXPECT_EQ(tracker->appSession(), first);
            EXPECT_TRUE(marker(first)) << "the session goes on";
            continue;
        }
        EXPECT_EQ(marker(first), nullptr) << "the old session was logged";
        EXPECT_NE(tracker->appSession(), first);
        const auto next = marker(tracker->appSession());
        ASSERT_TRUE(next);
        EXPECT_EQ(next->name(), KORVAMarkerName::appSession);
        EXPECT_DOUBLE_EQ(next->startTime(), left + c.away);
    }

    // Each logged session became one event, ended when the app left.
    const auto sessions = events("AppSession");
    ASSERT_EQ(sessions.size(), 2u);
    for (const auto& event : sessions) {
        EXPECT_EQ(event->endTime - event->startTime, 10'000);
        EXPECT_EQ(event->attributes->at("networkStatus"), "Wifi");
    }
    EXPECT_THAT(events("Background"), IsEmpty()); // never logged
}

TEST_F(AppSessionTrackerTest, EveryTimeAwayReusesTheBackgroundMarker) {
    const auto tracker = AppSessionTracker::create(15000.0);
    tracker->start();
    enterBackground();
    const auto background = tracker->backgroundSession();
    testsupport::clock()->advance(20);
    enterForeground();
    testsupport::clock()->advance(5);
    enterBackground();
    testsupport::clock()->advance(1);
    enterForeground();

    EXPECT_EQ(tracker->backgroundSession(), background);
    const auto marker = AppSessionTrackerTest::marker(background);
    ASSERT_TRUE(marker);
    EXPECT_DOUBLE_EQ(marker->startTime(), kStart + 25);
    EXPECT_DOUBLE_EQ(marker->endTime(), kStart + 26);
    EXPECT_EQ(tracker->lastLaunchState(), AppSessionTracker::AppLaunchState::warmStart);
}

TEST_F(AppSessionTrackerTest, TerminationLogsTheSession) {
    const auto tracker = AppSessionTracker::create(15000.0);
    tracker->start();
    const auto session = tracker->appSession();
    testsupport::clock()->advance(42);

    post(platform::ui::kApplicationWillTerminateNotification);

    EXPECT_EQ(marker(session), nullptr);
    const auto sessions = events("AppSession");
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0]->startTime, korvaTime(kStart));
    EXPECT_EQ(sessions[0]->endTime, 0); // still in the foreground: never ended
}

TEST_F(AppSessionTrackerTest, AReturnWithoutALeaveStartsANewSession) {
    // The background marker is made and ended at once: its whole time since
    // 1970 counts as time away.
    const auto tracker = AppSessionTracker::create(15000.0);
    tracker->start();
    const auto first = tracker->appSession();
    enterForeground();
    EXPECT_NE(tracker->appSession(), first);
    EXPECT_EQ(tracker->lastLaunchState(), AppSessionTracker::AppLaunchState::coldStart);
    EXPECT_EQ(events("AppSession").size(), 1u);
}

TEST_F(AppSessionTrackerTest, AReleasedTrackerStopsObserving) {
    auto tracker = AppSessionTracker::create(15000.0);
    const auto session = tracker->appSession();
    tracker.reset();
    enterBackground();
    post(platform::ui::kApplicationWillTerminateNotification);
    ASSERT_TRUE(marker(session));
    EXPECT_EQ(marker(session)->endTime(), 0);
}

TEST_F(AppSessionTrackerTest, ASessionRefreshIsDueAfterADayAwayOrWhenNeverAway) {
    const auto tracker = AppSessionTracker::create(15000.0);
    struct Case {
        const char* name;
        std::optional<double> leftAgo; // seconds; none: never in the background
        bool expected;
    };
    const Case cases[] = {
        {"never in the background", std::nullopt, true},
        {"two hours ago", 2 * 3600.0, false},
        {"a second short of a day", 86'399.0, false},
        {"exactly a day", 86'400.0, true},
        {"a week", 7 * 86'400.0, true},
        {"in the future (clock turned back)", -3600.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context->userDefaults->removeObject(AppSessionTracker::kEnterBackgroundTimeIntervalKey);
        if (c.leftAgo) tracker->setApplicationEnterBackgroundTimeInterval(platform::now() - *c.leftAgo);
        EXPECT_EQ(tracker->shouldTriggerSessionRefresh(), c.expected);
    }

    // Going to the background records the time, so the refresh is due again
    // only a day later.
    context->userDefaults->removeObject(AppSessionTracker::kEnterBackgroundTimeIntervalKey);
    enterBackground();
    EXPECT_FALSE(tracker->shouldTriggerSessionRefresh());
    testsupport::clock()->advance(86'400);
    EXPECT_TRUE(tracker->shouldTriggerSessionRefresh());
}

} // namespace
