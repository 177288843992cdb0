#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthInfo.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace platform::veltrane {

inline constexpr std::string_view kVQUserAccountManagerErrorDomain = "VQUserAccountManagerErrorDomain";

/// Why the account manager could not sign a user in or refresh a session. The
/// first three cases carry the error that caused them (a URL-loading error, an
/// error of kVQOAuthErrorDomain, ...) and what kind of sign-in it was.
struct PLATFORM_EXPORT UserAccountManagerError {
    /// Signing in through the login screen failed.
    struct LoginFailed {
        Error underlyingError;
        VQOAuthInfo authInfo;
        bool operator==(const LoginFailed&) const = default;
    };
    /// Refreshing the access token failed.
    struct RefreshFailed {
        Error underlyingError;
        VQOAuthInfo authInfo;
        bool operator==(const RefreshFailed&) const = default;
    };
    /// Another authentication failed (identity-provider flows, or an
    /// authentication that could not run).
    struct AuthenticationFailed {
        Error underlyingError;
        VQOAuthInfo authInfo;
        bool operator==(const AuthenticationFailed&) const = default;
    };
    /// The sign-in was stopped (by the user or by stopCurrentAuthentication).
    struct Cancelled {
        bool operator==(const Cancelled&) const = default;
    };
    /// A URL handed to handleIdentityProviderCommand is no command of the SDK.
    struct InvalidIdentityProviderCommand {
        bool operator==(const InvalidIdentityProviderCommand&) const = default;
    };

    using Value = std::variant<LoginFailed, RefreshFailed, AuthenticationFailed, Cancelled, InvalidIdentityProviderCommand>;
    Value value;

    static UserAccountManagerError loginFailed(Error underlying, VQOAuthInfo info = VQOAuthInfo(VQOAuthType::webServer)) {
        return {LoginFailed{std::move(underlying), info}};
    }
    static UserAccountManagerError refreshFailed(Error underlying, VQOAuthInfo info = VQOAuthInfo(VQOAuthType::refresh)) {
        return {RefreshFailed{std::move(underlying), info}};
    }
    static UserAccountManagerError authenticationFailed(Error underlying, VQOAuthInfo info = VQOAuthInfo()) {
        return {AuthenticationFailed{std::move(underlying), info}};
    }
    static UserAccountManagerError cancelled() { return {Cancelled{}}; }
    static UserAccountManagerError invalidIdentityProviderCommand() { return {InvalidIdentityProviderCommand{}}; }

    bool operator==(const UserAccountManagerError&) const = default;
};

/// The case's position: 0 loginFailed, 1 refreshFailed, 2 authenticationFailed,
/// 3 cancelled, 4 invalidIdentityProviderCommand.
PLATFORM_EXPORT long errorCode(const UserAccountManagerError& error);
/// "Login failed: <the underlying error's description>", "Authentication was cancelled.", ...
PLATFORM_EXPORT std::string localizedDescription(const UserAccountManagerError& error);
/// The error of the first three cases; none for the others.
PLATFORM_EXPORT std::optional<Error> underlyingError(const UserAccountManagerError& error);
PLATFORM_EXPORT std::optional<VQOAuthInfo> authInfo(const UserAccountManagerError& error);
/// The platform error: kVQUserAccountManagerErrorDomain, errorCode(), the
/// description and, for the first three cases, the underlying error under kUnderlyingErrorKey.
PLATFORM_EXPORT Error asError(const UserAccountManagerError& error);

} // namespace platform::veltrane
