#pragma once

#include "Platform/Export.hpp"

#include <optional>
#include <set>
#include <string>

namespace platform::veltrane {

/// A service-provider app that this app, as identity provider, signs in: its
/// OAuth client, the callback URL that opens it, the scopes it asks for and
/// the keychain group the apps share.
struct PLATFORM_EXPORT SPConfig {
    SPConfig(std::string oauthClientId, std::string oauthCallbackURL, std::set<std::string> oauthScopes,
             std::optional<std::string> keychainGroup);

    std::string oauthClientId;
    std::string oauthCallbackURL;
    std::set<std::string> oauthScopes;
    std::optional<std::string> keychainGroup;

    /// "<SPConfig oauthClientId=... oauthCallbackURL=... oauthScopes=[api, web] keychainGroup=...>".
    std::string description() const;
    bool operator==(const SPConfig&) const = default;
};

/// How an identity-provider-initiated sign-in of a service provider advances.
enum class VQSPLoginStatus {
    /// The SDK asked the sign-in service for a code for the service provider.
    authCodeRequested,
    /// The code has come.
    authCodeReceived,
    /// The service provider's callback URL, carrying the code, has been opened.
    serviceProviderOpened,
};

/// Why an identity-provider-initiated sign-in failed.
enum class VQSPLoginError {
    /// Nobody is signed into this app.
    noUserSignedIn,
    /// The configuration lacks a client id or a usable callback URL.
    invalidServiceProviderConfig,
    /// The sign-in service gave no code.
    authCodeRequestFailed,
    /// The service provider's callback URL could not be opened.
    serviceProviderUnavailable,
};

/// "authCodeRequested", ... / "noUserSignedIn", ...
PLATFORM_EXPORT std::string description(VQSPLoginStatus status);
PLATFORM_EXPORT std::string description(VQSPLoginError error);

} // namespace platform::veltrane
