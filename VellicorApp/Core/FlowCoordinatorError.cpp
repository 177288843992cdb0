#include "VellicorApp/Core/FlowCoordinatorError.hpp"

#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

namespace {
const std::optional<AnyError> kNoTransportError;
const std::optional<platform::Error> kNoLegacyError;
} // namespace

FlowCoordinatorError FlowCoordinatorError::transport(std::optional<AnyError> error) {
    return FlowCoordinatorError(Transport{std::move(error)});
}

FlowCoordinatorError FlowCoordinatorError::legacy(std::optional<platform::Error> error) {
    return FlowCoordinatorError(Legacy{std::move(error)});
}

FlowCoordinatorError::Case FlowCoordinatorError::kind() const {
    if (std::holds_alternative<Transport>(value_)) return Case::transport;
    if (std::holds_alternative<Legacy>(value_)) return Case::legacy;
    return std::get<Plain>(value_).kind;
}

const std::optional<AnyError>& FlowCoordinatorError::transportError() const {
    if (const auto* transport = std::get_if<Transport>(&value_)) return transport->error;
    return kNoTransportError;
}

const std::optional<platform::Error>& FlowCoordinatorError::legacyError() const {
    if (const auto* legacy = std::get_if<Legacy>(&value_)) return legacy->error;
    return kNoLegacyError;
}

std::string localizedDescription(const FlowCoordinatorError& error) {
    using Case = FlowCoordinatorError::Case;
    switch (error.kind()) {
    case Case::transport: {
        const auto& payload = error.transportError();
        return payload ? payload->localizedDescription() : "UNKNOWN";
    }
    case Case::legacy: {
        const auto& payload = error.legacyError();
        return payload ? payload->localizedDescription() : "UNKNOWN";
    }
    case Case::requiresAuthentication: return localized("AUTHENTICATION_REQUIRED", "User not authenticated.");
    case Case::requiresWebBootstrap:
        return localized("REQUIRES_WEB_BOOTSTRAP", "Requires app to be bootstrapped before performing this action.");
    case Case::switchCommunityNotRequired:
        return localized("SWITCH_COMMUNITY_NOT_REQUIRED", "Switching community is not required.");
    case Case::missingCredentialsForSessionRefresh:
        return localized("USER_CREDENTIALS_NOT_AVAILABLE_FOR_SESSION_REFRESH",
                         "Missing user credentials to perform session refresh.");
    case Case::unavailableTabBarExperience:
        return localized("TAB_BAR_CONTROLLER_UNAVAILABLE", "Tab bar controller are unavailable.");
    case Case::invalidAction: return "INVALID_ACTION";
    }
    return "UNKNOWN";
}

long errorCode(const FlowCoordinatorError& error) { return static_cast<long>(error.kind()); }

platform::Error toPlatformError(const FlowCoordinatorError& error) {
    return platform::Error(FlowCoordinatorError::kErrorDomain, errorCode(error));
}

} // namespace vellicor
