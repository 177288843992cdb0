#pragma once

#include "TarnixPlatformClient/Export.hpp"
#include "TarnixPlatformClient/ServiceAccessError.hpp"

#include "Platform/Foundation/Error.hpp"

#include <exception>
#include <optional>
#include <string>

namespace tarnix {

/// The answer of a native service's enablement check. Values are made only by
/// the factories below.
class TARNIX_PLATFORM_CLIENT_EXPORT EnablementCheckResult {
public:
    /// Enabled, no error.
    static EnablementCheckResult success();
    /// Not enabled: kind pluginNotEnabled with the message (an empty message stays empty).
    static EnablementCheckResult failure(std::string message);
    /// Not enabled: kind unexpected with the error's localized description.
    static EnablementCheckResult failure(const platform::Error& error);
    static EnablementCheckResult failure(const std::exception& error);
    /// The same for anything thrown: a platform error, a service access error
    /// or a plug-in failure gives its localized description, a standard
    /// exception its what(), anything else a generic text.
    static EnablementCheckResult failure(std::exception_ptr error);

    bool enabled() const { return enabled_; }
    const std::optional<ServiceAccessError>& error() const { return error_; }

    bool operator==(const EnablementCheckResult&) const = default;

private:
    EnablementCheckResult(bool enabled, std::optional<ServiceAccessError> error)
        : enabled_(enabled), error_(std::move(error)) {}

    bool enabled_;
    std::optional<ServiceAccessError> error_;
};

} // namespace tarnix
