#pragma once

#include "TarnixPlatformClient/Export.hpp"

#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>

namespace tarnix {

/// The failure a plug-in hands over when one of its tasks ends badly.
class TARNIX_PLATFORM_CLIENT_EXPORT TarnixPluginFailure {
public:
    virtual ~TarnixPluginFailure();

    /// A short code of the failure.
    virtual std::string failureCode() const = 0;
    /// The human-readable text.
    virtual std::string failureMessage() const = 0;

    /// By default the message, " [", the code and "]"; never none.
    virtual std::optional<std::string> errorDescription() const;

    /// The stored form; by default {"failureCode": ..., "failureMessage": ...}.
    virtual platform::Json encoded() const;

    /// The text a logger reports: errorDescription(), or a generic text when a
    /// failure type answers none.
    std::string localizedDescription() const;
};

} // namespace tarnix
