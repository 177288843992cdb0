#pragma once

#include "TarnixPlatformClient/Export.hpp"

#include <optional>
#include <string>

namespace tarnix {

/// Why a native service may not be used.
class TARNIX_PLATFORM_CLIENT_EXPORT ServiceAccessError {
public:
    enum class ErrorKind {
        /// The service is switched off for this context.
        pluginNotEnabled,
        /// The enablement check itself failed.
        unexpected,
    };

    ServiceAccessError(ErrorKind kind, std::optional<std::string> description)
        : description_(std::move(description)), kind_(kind) {}

    /// The reason, shown to whoever reports the error.
    const std::optional<std::string>& description() const { return description_; }
    ErrorKind kind() const { return kind_; }

    /// The description, unchanged (none when there is none).
    std::optional<std::string> errorDescription() const { return description_; }

    /// Equal when the kinds are equal and both descriptions are none or equal texts.
    bool operator==(const ServiceAccessError&) const = default;

private:
    std::optional<std::string> description_;
    ErrorKind kind_;
};

/// The description, or a generic text naming the kind when there is none.
TARNIX_PLATFORM_CLIENT_EXPORT std::string localizedDescription(const ServiceAccessError& error);

} // namespace tarnix
