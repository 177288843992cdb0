#pragma once

// A previous run of the app that crashed after starting App Center's crash
// service, for the tests of what the next run makes of it.

#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace appcentertest {

/// Runs `crash` in a forked child that started the crash service first; the
/// child's death message must match `message`. The child shares this test's
/// sandbox (a re-executed one would make a sandbox of its own), so the next
/// use of the service here reads its record as the previous run's.
inline void crashPreviousRun(const std::function<void()>& crash, const char* message) {
    using platform::appcenter::MSACAppCenter;
    using platform::appcenter::MSACService;
    const auto style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_DEATH(
        {
            MSACAppCenter::start("secret", {MSACService::analytics, MSACService::crashes});
            crash();
        },
        message);
    GTEST_FLAG_SET(death_test_style, style);
    MSACAppCenter::resetForTesting();
}

} // namespace appcentertest
