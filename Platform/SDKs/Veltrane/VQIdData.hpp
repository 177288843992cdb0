#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::veltrane {

/// A dictionary as the server sent it: keys and values in their order. Keys
/// are any JSON values (the identity service sends text keys, but readers must
/// not rely on it).
using VQCustomAttributes = std::vector<std::pair<Json, Json>>;

/// Who a signed-in user is, as the identity service describes them: a JSON
/// object with "identity_url", "user_id", "org_id", "username", "display_name",
/// "email", "language", "locale", "active", "urls" and "custom_attributes".
struct PLATFORM_EXPORT VQIdData {
    std::optional<Url> idUrl;
    std::optional<std::string> userId;
    std::optional<std::string> orgId;
    std::optional<std::string> username;
    std::optional<std::string> displayName;
    std::optional<std::string> email;
    std::optional<std::string> language;
    std::optional<std::string> locale;
    bool active = false;
    /// The org's custom attributes for the user; none when the answer had none.
    std::optional<VQCustomAttributes> customAttributes;
    /// The whole answer of the identity service.
    Json dictRepresentation = Json::object();

    /// Reads the identity service's JSON answer, keeping the order of the
    /// custom attributes; none when it is not a JSON object with a user id and an org id.
    static std::optional<VQIdData> fromIdentityAnswer(const Data& body);

    /// For the SDK's encrypted account store; custom attributes become a list of [key, value] pairs.
    Json toJson() const;
    static std::optional<VQIdData> fromJson(const Json& json);

    bool operator==(const VQIdData& other) const;
};

} // namespace platform::veltrane
