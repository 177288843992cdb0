#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include <gtest/gtest.h>

#include <csignal>

TEST(MSACCrashesDeathTest, ATestCrashEndsTheProcessAbnormally) {
    EXPECT_EXIT(platform::appcenter::MSACCrashes::generateTestCrash(), ::testing::KilledBySignal(SIGABRT),
                "App Center: generating a test crash\\.");
}
