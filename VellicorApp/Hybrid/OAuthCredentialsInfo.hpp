#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"

#include <optional>
#include <string>

namespace vellicor {

// What the app reads out of the SDK's OAuth credentials for the pages.

/// The community's CSRF token: the string under "csrf_token" in the
/// credentials' additional OAuth fields; none when there are no such fields,
/// the key is missing or its value is not a string.
std::optional<std::string> communityCSRFToken(const platform::veltrane::VQOAuthCredentials& credentials);

/// The signed-in user's credentials as a page receives them: a JSON object of
/// strings under "accessToken", "refreshToken", "clientId", "userId", "orgId",
/// "communityId", "communityUrl", "loginUrl" ("<protocol>://<domain>", only
/// with both), "instanceUrl" and "csrfToken". A key whose value is absent or
/// empty is left out, never sent empty or null.
platform::Json infoDictionary(const platform::veltrane::VQOAuthCredentials& credentials);

} // namespace vellicor
