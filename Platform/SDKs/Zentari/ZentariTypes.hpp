#pragma once

#include "Platform/Export.hpp"

#include <string>

namespace platform::zentari {

/// The state of a module of the marketing SDK, numbered as the SDK numbers it.
enum class ModuleStatus : int {
    notInitialized = 0,
    operational = 1,
    disabled = 2,
    failed = 3,
    /// Set-up started and the registration has not answered yet.
    initializing = 4,
};

/// How a set-up ended.
enum class OperationResult : int { success = 0, error = 1, cancelled = 2, timeout = 3 };

/// What a background refresh fetched.
enum class BackgroundFetchResult : int { newData = 0, noData = 1, failed = 2 };

/// The SDK's textual forms: "ModuleStatus.operational", "OperationResult.success",
/// "BackgroundFetchResult.noData".
PLATFORM_EXPORT std::string description(ModuleStatus status);
PLATFORM_EXPORT std::string description(OperationResult result);
PLATFORM_EXPORT std::string description(BackgroundFetchResult result);

} // namespace platform::zentari
