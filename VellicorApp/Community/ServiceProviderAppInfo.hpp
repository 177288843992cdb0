#pragma once

#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// One companion app that signs its user in through this app.
struct ServiceProviderAppInfo {
    std::string name;
    /// Stored under the key "consumerKey".
    std::string clientID;
    std::string redirectURI;
    std::string scheme;
    /// Image data as standard Base64 text.
    std::string icon;

    bool operator==(const ServiceProviderAppInfo&) const = default;

    /// All five keys are required strings; other keys are ignored.
    static std::optional<ServiceProviderAppInfo> decode(const platform::Json& value);
    /// An array of records, all or nothing: one bad entry gives none.
    static std::optional<std::vector<ServiceProviderAppInfo>> decodeList(const platform::Json& value);
    /// The keys in the order "name", "consumerKey", "redirectURI", "scheme", "icon".
    std::string encode() const;
};

} // namespace vellicor
