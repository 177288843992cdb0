#include "Platform/Foundation/Clock.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

TEST(ClockTest, TestsRunOnTheManualClock) {
    EXPECT_EQ(platform::currentManualClock(), testsupport::clock());
    EXPECT_DOUBLE_EQ(platform::now(), testsupport::kStartTime);
    testsupport::clock()->advance(1.5);
    EXPECT_DOUBLE_EQ(platform::now(), testsupport::kStartTime + 1.5);
}

TEST(ClockTest, SystemClockIsSecondsSince1970) {
    platform::SystemClock clock;
    // 2020-01-01 .. 2100-01-01
    EXPECT_GT(clock.now(), 1'577'836'800.0);
    EXPECT_LT(clock.now(), 4'102'444'800.0);
}
