#include "Platform/SDKs/Veltrane/SPConfig.hpp"

namespace platform::veltrane {

SPConfig::SPConfig(std::string oauthClientId, std::string oauthCallbackURL, std::set<std::string> oauthScopes,
                   std::optional<std::string> keychainGroup)
    : oauthClientId(std::move(oauthClientId)), oauthCallbackURL(std::move(oauthCallbackURL)),
      oauthScopes(std::move(oauthScopes)), keychainGroup(std::move(keychainGroup)) {}

std::string SPConfig::description() const {
    std::string scopes;
    for (const auto& scope : oauthScopes) scopes += (scopes.empty() ? "" : ", ") + scope;
    return "<SPConfig oauthClientId=" + oauthClientId + " oauthCallbackURL=" + oauthCallbackURL + " oauthScopes=[" +
           scopes + "] keychainGroup=" + keychainGroup.value_or("none") + ">";
}

std::string description(VQSPLoginStatus status) {
    switch (status) {
    case VQSPLoginStatus::authCodeRequested: return "authCodeRequested";
    case VQSPLoginStatus::authCodeReceived: return "authCodeReceived";
    case VQSPLoginStatus::serviceProviderOpened: return "serviceProviderOpened";
    }
    return "unknown";
}

std::string description(VQSPLoginError error) {
    switch (error) {
    case VQSPLoginError::noUserSignedIn: return "noUserSignedIn";
    case VQSPLoginError::invalidServiceProviderConfig: return "invalidServiceProviderConfig";
    case VQSPLoginError::authCodeRequestFailed: return "authCodeRequestFailed";
    case VQSPLoginError::serviceProviderUnavailable: return "serviceProviderUnavailable";
    }
    return "unknown";
}

} // namespace platform::veltrane
