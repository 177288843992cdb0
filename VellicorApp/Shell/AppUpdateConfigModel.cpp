#include "VellicorApp/Shell/AppUpdateConfigModel.hpp"

namespace vellicor {

std::expected<AppUpdateConfigModel, ParseableError> AppUpdateConfigModel::parseObject(const platform::Json& metadata) {
    const auto config = platform::jsonValue(metadata, "appUpdateConfig");
    if (!config) return std::unexpected(ParseableError::missingConfig());
    // A value that is no object has neither key.
    const auto enableAppUpdate = platform::jsonBool(*config, "enableAppUpdate");
    if (!enableAppUpdate) return std::unexpected(ParseableError::missingRequiredAttributes());
    const auto gracePeriod = platform::jsonInt(*config, "gracePeriod");
    if (!gracePeriod) return std::unexpected(ParseableError::missingRequiredAttributes());
    return AppUpdateConfigModel{*enableAppUpdate, *gracePeriod};
}

} // namespace vellicor
