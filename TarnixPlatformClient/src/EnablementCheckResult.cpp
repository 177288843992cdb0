#include "TarnixPlatformClient/EnablementCheckResult.hpp"

#include "ThrownError.hpp"

namespace tarnix {

EnablementCheckResult EnablementCheckResult::success() { return {true, std::nullopt}; }

EnablementCheckResult EnablementCheckResult::failure(std::string message) {
    return {false, ServiceAccessError(ServiceAccessError::ErrorKind::pluginNotEnabled, std::move(message))};
}

EnablementCheckResult EnablementCheckResult::failure(const platform::Error& error) {
    return {false, ServiceAccessError(ServiceAccessError::ErrorKind::unexpected, error.localizedDescription())};
}

EnablementCheckResult EnablementCheckResult::failure(const std::exception& error) {
    return {false, ServiceAccessError(ServiceAccessError::ErrorKind::unexpected, std::string(error.what()))};
}

EnablementCheckResult EnablementCheckResult::failure(std::exception_ptr error) {
    return {false, ServiceAccessError(ServiceAccessError::ErrorKind::unexpected, detail::describeThrown(error))};
}

} // namespace tarnix
