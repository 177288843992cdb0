#include "VellicorApp/Push/NotificationParser.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Json.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "NotificationParser";

} // namespace

// The log texts below are read by support tooling; keep them verbatim.

std::optional<platform::Url> NotificationParser::deeplinkURL(const platform::Json& userInfo) {
    if (const auto path = platform::jsonString(userInfo, "sid")) {
        const auto loginHost = AppContext::current()->userAccountManager->loginHost();
        if (auto url = platform::Url::parse("https://" + loginHost + "/" + *path)) return url;
    }
    Logger::error("Failed to parse payload for deeplink URL.", kLogType);
    return std::nullopt;
}

std::optional<std::string> NotificationParser::deeplinkPageRef(const platform::Json& userInfo) {
    auto pageRef = platform::jsonString(userInfo, "targetPageRef");
    if (!pageRef) Logger::error("Deeplink page-ref not available.", kLogType);
    return pageRef;
}

std::optional<std::string> NotificationParser::notificationID(const platform::Json& userInfo) {
    auto id = platform::jsonString(userInfo, "nid");
    if (!id) Logger::error("Failed to retrive notification ID from payload.", kLogType);
    return id;
}

} // namespace vellicor
