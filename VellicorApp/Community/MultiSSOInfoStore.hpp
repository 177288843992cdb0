#pragma once

#include "VellicorApp/Community/ServiceProviderAppInfo.hpp"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// The app's settings as identity provider of its companion apps, read from
/// the running context's app configuration on every call.
struct MultiSSOInfoStore {
    /// The suffix of the keychain group the family of apps shares.
    static constexpr const char* kSharedKeychainGroupSuffix = "com.vellicor.sharedsso";

    /// "ServiceProviderApps" in configuration order; empty when absent or
    /// when any entry is malformed.
    std::vector<ServiceProviderAppInfo> serviceProviderAppInfo() const;
    /// "AppIdentifierPrefix" followed by the shared suffix; none without a prefix.
    std::optional<std::string> keyChainGroupName() const;
    /// {"appName": display name, "scheme": first URL scheme}, or empty.
    std::map<std::string, std::string> fetchAppNameAndScheme() const;
};

} // namespace vellicor
