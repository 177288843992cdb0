#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {

/// The error domain of the SDK's OAuth client and its codes.
inline constexpr std::string_view kVQOAuthErrorDomain = "VQOAuthErrorDomain";
namespace VQOAuthErrorCode {
inline constexpr long unknown = 666;
inline constexpr long timeout = 667;
/// The server's answer could not be read.
inline constexpr long malformedResponse = 668;
/// The user or the server refused the sign-in.
inline constexpr long accessDenied = 669;
inline constexpr long invalidClientId = 670;
inline constexpr long invalidRequest = 671;
/// The server refused the code or the refresh token: the session is over and
/// only a new sign-in helps.
inline constexpr long invalidGrant = 672;
/// The user cancelled the sign-in.
inline constexpr long cancelled = 680;
/// No sign-in or refresh can run now (no credentials, no refresh token, no
/// login host, or the app asked at a moment it cannot be done).
inline constexpr long unavailable = 684;
} // namespace VQOAuthErrorCode

/// An error of the OAuth domain with a description and, when given, the
/// error that caused it under kUnderlyingErrorKey.
PLATFORM_EXPORT Error makeOAuthError(long code, std::string description,
                                     const std::optional<Error>& underlying = std::nullopt);

} // namespace platform::veltrane
