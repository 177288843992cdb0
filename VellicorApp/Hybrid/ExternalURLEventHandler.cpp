#include "VellicorApp/Hybrid/ExternalURLEventHandler.hpp"

#include "VellicorApp/Interface/CommunityViewControllable.hpp"

namespace vellicor {

std::shared_ptr<ExternalURLEventHandler> ExternalURLEventHandler::create(
    std::weak_ptr<CommunityViewControllable> communityViewController) {
    return std::shared_ptr<ExternalURLEventHandler>(new ExternalURLEventHandler(std::move(communityViewController)));
}

void ExternalURLEventHandler::handle(const NativeEvent& event, NativeEventCompletion completion) {
    const auto text = platform::jsonString(event.attributes, "url");
    auto url = text ? platform::Url::parse(*text) : std::nullopt;
    // A relative reference names no place to open.
    if (!url || !url->scheme()) {
        completion(std::unexpected(NetworkError::transport(ParseableError::missingRequiredAttributes())));
        return;
    }
    const auto screen = communityViewController_.lock();
    if (!screen) {
        completion(std::unexpected(NetworkError::transport()));
        return;
    }
    screen->openURL(*url);
    completion(platform::Json::object());
}

} // namespace vellicor
