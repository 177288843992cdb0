#pragma once

// What the account manager's source files share: its log and a few small
// helpers. The manager is split by concern: accounts and settings
// (VQUserAccountManager.cpp), the sign-in flow (VQUserAccountManagerSignIn.cpp),
// token refresh and logout (VQUserAccountManagerRefresh.cpp) and
// identity-provider commands (VQUserAccountManagerIdentityProvider.cpp).

#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <memory>
#include <string>

namespace platform::veltrane::accountmanager {

inline constexpr const char* kClassName = "VQUserAccountManager";

/// The SDK's core logger, where the manager's lines go.
std::shared_ptr<VQSDKLogger> logger();

/// A random text of letters and digits for an OAuth "state".
std::string randomState();

/// Whether `url` is `redirect` (scheme, host, port and path; the query aside).
bool isRedirect(const Url& url, const Url& redirect);

} // namespace platform::veltrane::accountmanager
