#include "VellicorApp/Push/NotificationParser.hpp"

#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Logger.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "NotificationParser";

/// The string under `key`; none when the payload is no object, or the key is
/// missing or holds another type.
std::optional<std::string> stringValue(const platform::Json& userInfo, const char* key) {
    if (!userInfo.is_object()) return std::nullopt;
    const auto found = userInfo.find(key);
    if (found == userInfo.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

} // namespace

// The log texts below are read by support tooling; keep them verbatim.

std::optional<platform::Url> NotificationParser::deeplinkURL(const platform::Json& userInfo) {
    if (const auto path = stringValue(userInfo, "sid")) {
        const auto loginHost = AppContext::current()->userAccountManager->loginHost();
        if (auto url = platform::Url::parse("https://" + loginHost + "/" + *path)) return url;
    }
    Logger::error("Failed to parse payload for deeplink URL.", kLogType);
    return std::nullopt;
}

std::optional<std::string> NotificationParser::deeplinkPageRef(const platform::Json& userInfo) {
    auto pageRef = stringValue(userInfo, "targetPageRef");
    if (!pageRef) Logger::error("Deeplink page-ref not available.", kLogType);
    return pageRef;
}

std::optional<std::string> NotificationParser::notificationID(const platform::Json& userInfo) {
    auto id = stringValue(userInfo, "nid");
    if (!id) Logger::error("Failed to retrive notification ID from payload.", kLogType);
    return id;
}

} // namespace vellicor
