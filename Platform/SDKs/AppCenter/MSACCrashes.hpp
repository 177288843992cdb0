#pragma once

#include "Platform/Export.hpp"

namespace platform::appcenter {

/// The crash service of the App Center SDK.
class PLATFORM_EXPORT MSACCrashes {
public:
    MSACCrashes() = delete;

    /// Crashes the app on purpose, to try out crash reporting: writes
    /// "App Center: generating a test crash." to standard error and ends the
    /// process abnormally (SIGABRT). Never returns.
    [[noreturn]] static void generateTestCrash();
};

} // namespace platform::appcenter
