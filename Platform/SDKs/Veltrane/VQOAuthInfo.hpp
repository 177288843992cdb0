#pragma once

#include "Platform/Export.hpp"

#include <string>

namespace platform::veltrane {

/// How a sign-in result came about.
enum class VQOAuthType : int {
    unknown = 0,
    /// An authorization code from the login screen, exchanged for tokens.
    webServer = 1,
    /// A token refresh.
    refresh = 2,
    /// An identity-provider flow.
    identityProvider = 3,
};

/// What the SDK tells about a sign-in or refresh it reports.
struct PLATFORM_EXPORT VQOAuthInfo {
    VQOAuthInfo() = default;
    explicit VQOAuthInfo(VQOAuthType type) : authType(type) {}
    /// From the raw type value; values outside the enumeration give unknown.
    explicit VQOAuthInfo(int rawAuthType);

    VQOAuthType authType = VQOAuthType::unknown;

    /// "unknown", "webServer", "refresh" or "identityProvider".
    std::string authTypeDescription() const;
    /// "<VQOAuthInfo authType=refresh>".
    std::string description() const;

    bool operator==(const VQOAuthInfo&) const = default;
};

} // namespace platform::veltrane
