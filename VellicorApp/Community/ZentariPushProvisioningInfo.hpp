#pragma once

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <map>
#include <optional>
#include <string>

namespace vellicor {

/// One provisioning entry of the marketing messaging SDK. Its JSON keys are
/// matched exactly: "name" (optional), "appid", "accesstoken",
/// "applicationcontrolsbadging", "zentari_server_url", "mid", "location",
/// "inbox" and "delayregistrationuntilcontactkeyisset"; other members are
/// ignored.
struct ZentariPushProvisioningInfo {
    std::optional<std::string> name;
    std::string appID;
    std::string accessToken;
    bool applicationControlsBadging = false;
    /// The server URL as text; it is not checked here.
    std::string appEndPoint;
    std::string mid;
    bool location = false;
    bool inbox = false;
    bool delayRegistrationUntilContactKeyIsSet = false;

    /// The entry of a JSON object. The first required key (in the order
    /// above) that is missing, null or of the wrong type fails the decoding
    /// with a decoding error (Cocoa domain); an absent or null "name" gives no name.
    static std::expected<ZentariPushProvisioningInfo, platform::Error> decode(const platform::Json& json);
    /// The entries of a provisioning file of the named-entries shape (an
    /// object of entry name to entry); fails when any member does not decode.
    static std::expected<std::map<std::string, ZentariPushProvisioningInfo>, platform::Error> decodeNamedEntries(
        const platform::Json& json);
    /// The nine keys ("name" left out when there is none).
    platform::Json encode() const;

    /// The entry as pretty-printed JSON text for display; none when that fails.
    std::optional<std::string> asJSON() const;

    bool operator==(const ZentariPushProvisioningInfo&) const = default;

private:
    static std::optional<std::string> prettyPrintedJSONString(const platform::Data& selectionData);
};

} // namespace vellicor
