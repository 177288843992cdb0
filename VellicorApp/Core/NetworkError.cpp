#include "VellicorApp/Core/NetworkError.hpp"

#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

namespace {
const std::optional<ParseableError> kNoPayload;
} // namespace

NetworkError NetworkError::transport(std::optional<ParseableError> error) {
    return NetworkError(Transport{std::move(error)});
}

NetworkError::Case NetworkError::kind() const {
    if (std::holds_alternative<Transport>(value_)) return Case::transport;
    return std::get<Plain>(value_).kind;
}

const std::optional<ParseableError>& NetworkError::transportError() const {
    if (const auto* transport = std::get_if<Transport>(&value_)) return transport->error;
    return kNoPayload;
}

std::string localizedDescription(const NetworkError& error) {
    switch (error.kind()) {
    case NetworkError::Case::transport: {
        const auto& payload = error.transportError();
        return payload ? localizedDescription(*payload) : "UNKNOWN";
    }
    case NetworkError::Case::missionRecordID:
        return localized("REQUEST_ATTRIBUTES_RECORD_ID_MISSING", "Required attributes record ID missing");
    case NetworkError::Case::missingLoginRequest: return localized("LOGIN_REQUIRED_MESSAGE", "Log in to download this file.");
    }
    return "UNKNOWN";
}

std::string errorType(const NetworkError& error) {
    switch (error.kind()) {
    case NetworkError::Case::transport: {
        const auto& payload = error.transportError();
        return payload ? errorType(*payload) : "N/A";
    }
    case NetworkError::Case::missionRecordID: return "INVALID_RECORD_ID";
    case NetworkError::Case::missingLoginRequest: return "OTHER";
    }
    return "OTHER";
}

long errorCode(const NetworkError& error) { return static_cast<long>(error.kind()); }

platform::Error toPlatformError(const NetworkError& error) {
    return platform::Error(NetworkError::kErrorDomain, errorCode(error));
}

} // namespace vellicor
