#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// Reads the keys of a community platform notification's payload (the
/// notification's user info, a JSON object). Every value must be a string;
/// a value of any other type counts as missing, and a missing value is
/// logged at error level and given as none. Stateless; any thread.
class NotificationParser {
public:
    NotificationParser() = delete;

    /// "https://" + the current login host + "/" + the "sid" value, taken as
    /// it is (never trimmed or escaped); none when "sid" is missing, not a
    /// string, or the text is no URL.
    static std::optional<platform::Url> deeplinkURL(const platform::Json& userInfo);
    /// The "targetPageRef" value: the record to open in the community.
    static std::optional<std::string> deeplinkPageRef(const platform::Json& userInfo);
    /// The "nid" value: the platform notification to mark read.
    static std::optional<std::string> notificationID(const platform::Json& userInfo);
};

} // namespace vellicor
