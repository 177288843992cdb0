#include "VellicorApp/Core/ParseableError.hpp"

#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

namespace {
const std::optional<platform::Error> kNoPayload;
constexpr long kDefaultCode = 400;
constexpr long kUnauthorizedCode = 401;
} // namespace

ParseableError ParseableError::legacy(std::optional<platform::Error> error) {
    return ParseableError(Legacy{std::move(error)});
}

ParseableError::Case ParseableError::kind() const {
    if (std::holds_alternative<Legacy>(value_)) return Case::legacy;
    return std::get<Plain>(value_).kind;
}

const std::optional<platform::Error>& ParseableError::legacyError() const {
    if (const auto* legacy = std::get_if<Legacy>(&value_)) return legacy->error;
    return kNoPayload;
}

std::string localizedDescription(const ParseableError& error) {
    using Case = ParseableError::Case;
    switch (error.kind()) {
    case Case::legacy: {
        const auto& payload = error.legacyError();
        if (!payload) return "UNKNOWN";
        if (payload->code == kUnauthorizedCode) return localized("LOGIN_REQUIRED_MESSAGE", "Log in to download this file.");
        return messageString(*payload);
    }
    case Case::unknownContentType: return localized("CONTENT_TYPE_UNKNOWN", "Unknown content type.");
    case Case::unknownNativeAction: return localized("NATIVE_ACTION_UNKNOWN", "Unknown native action.");
    case Case::missingRequiredAttributes: return localized("REQUIRED_ATTRIBUTES_MISSING", "Missing required attributes.");
    case Case::missingConfig: return localized("CONFIG_MISSING", "Missing configuration.");
    case Case::invalidRequestID:
        return localized("INVALID_REQUEST_ID", "Can't create request because record ID is invalid.");
    }
    return "UNKNOWN";
}

std::string errorType(const ParseableError& error) {
    using Case = ParseableError::Case;
    switch (error.kind()) {
    case Case::legacy: {
        const auto& payload = error.legacyError();
        return payload ? payload->domain : "N/A";
    }
    case Case::unknownContentType:
    case Case::invalidRequestID: return "INVALID_RECORD_ID";
    case Case::unknownNativeAction:
    case Case::missingRequiredAttributes:
    case Case::missingConfig: return "OTHER";
    }
    return "OTHER";
}

long errorCode(const ParseableError& error) {
    if (error.kind() == ParseableError::Case::legacy) {
        const auto& payload = error.legacyError();
        return payload ? payload->code : kDefaultCode;
    }
    return kDefaultCode;
}

platform::Json errorUserInfo(const ParseableError&) { return platform::Json::object(); }

platform::Error toPlatformError(const ParseableError& error) {
    return platform::Error(ParseableError::kErrorDomain, errorCode(error), errorUserInfo(error));
}

} // namespace vellicor
