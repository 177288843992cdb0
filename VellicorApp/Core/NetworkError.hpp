#pragma once

#include "VellicorApp/Core/ParseableError.hpp"

#include "Platform/Foundation/Error.hpp"

#include <optional>
#include <string>
#include <variant>

namespace vellicor {

/// The failure with which a native-event handler completes.
class NetworkError {
public:
    /// The cases in declaration order; `transport` carries a parse error.
    enum class Case {
        transport,
        /// A request without its record ID.
        missionRecordID,
        missingLoginRequest,
    };

    /// The domain the error has as a platform error object.
    static constexpr const char* kErrorDomain = "VellicorApp.NetworkError";

    static NetworkError transport(std::optional<ParseableError> error = std::nullopt);
    static NetworkError missionRecordID() { return NetworkError(Case::missionRecordID); }
    static NetworkError missingLoginRequest() { return NetworkError(Case::missingLoginRequest); }

    Case kind() const;
    /// The payload of `transport`; none for other cases or without one.
    const std::optional<ParseableError>& transportError() const;

private:
    struct Transport {
        std::optional<ParseableError> error;
    };
    struct Plain {
        Case kind;
    };

    explicit NetworkError(Case kind) : value_(Plain{kind}) {}
    explicit NetworkError(Transport transport) : value_(std::move(transport)) {}

    std::variant<Transport, Plain> value_;
};

/// The payload's text for `transport` ("UNKNOWN" without one), else the
/// localised text of the case's key.
std::string localizedDescription(const NetworkError& error);
/// The payload's type for `transport` ("N/A" without one), "INVALID_RECORD_ID"
/// for `missionRecordID`, "OTHER" for `missingLoginRequest`.
std::string errorType(const NetworkError& error);
/// The code of the error as a platform error object: the case's position.
long errorCode(const NetworkError& error);
/// The error as a platform error object (kErrorDomain, errorCode, no user info).
platform::Error toPlatformError(const NetworkError& error);

} // namespace vellicor
