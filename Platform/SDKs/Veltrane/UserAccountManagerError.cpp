#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"

namespace platform::veltrane {

long errorCode(const UserAccountManagerError& error) { return static_cast<long>(error.value.index()); }

std::optional<Error> underlyingError(const UserAccountManagerError& error) {
    return std::visit(
        [](const auto& value) -> std::optional<Error> {
            if constexpr (requires { value.underlyingError; }) {
                return value.underlyingError;
            } else {
                return std::nullopt;
            }
        },
        error.value);
}

std::optional<VQOAuthInfo> authInfo(const UserAccountManagerError& error) {
    return std::visit(
        [](const auto& value) -> std::optional<VQOAuthInfo> {
            if constexpr (requires { value.authInfo; }) {
                return value.authInfo;
            } else {
                return std::nullopt;
            }
        },
        error.value);
}

std::string localizedDescription(const UserAccountManagerError& error) {
    auto underlying = underlyingError(error);
    const std::string cause = underlying ? underlying->localizedDescription() : std::string();
    switch (error.value.index()) {
    case 0: return "Login failed: " + cause;
    case 1: return "Token refresh failed: " + cause;
    case 2: return "Authentication failed: " + cause;
    case 3: return "Authentication was cancelled.";
    default: return "The URL is not an identity-provider command.";
    }
}

Error asError(const UserAccountManagerError& error) {
    nlohmann::json userInfo = {{std::string(kLocalizedDescriptionKey), localizedDescription(error)}};
    if (auto underlying = underlyingError(error)) {
        userInfo[std::string(kUnderlyingErrorKey)] = {
            {"domain", underlying->domain}, {"code", underlying->code}, {"userInfo", underlying->userInfo}};
    }
    return Error(std::string(kVQUserAccountManagerErrorDomain), errorCode(error), std::move(userInfo));
}

} // namespace platform::veltrane
