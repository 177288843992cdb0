#pragma once

#include "VellicorApp/Core/ParseableError.hpp"

#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <expected>

namespace vellicor {

/// The web app's settings of the App Store update check.
struct AppUpdateConfigModel {
    bool enableAppUpdate = false;
    /// Negative: every update is optional; 0: every update is required;
    /// positive: days after the store version's release during which it is
    /// optional (at most 15 count).
    std::int64_t gracePeriod = 0;

    bool operator==(const AppUpdateConfigModel&) const = default;

    /// Reads the "appUpdateConfig" object of the web app's bootstrap metadata:
    /// the Boolean "enableAppUpdate" and the whole number "gracePeriod", both
    /// required. No such entry: `missingConfig`; an entry that is not an
    /// object or lacks either key with its type: `missingRequiredAttributes`.
    static std::expected<AppUpdateConfigModel, ParseableError> parseObject(const platform::Json& metadata);
};

} // namespace vellicor
