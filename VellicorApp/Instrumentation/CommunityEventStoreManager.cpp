#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/DictionaryAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQSDKKORVATransform.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "CommunityEventStoreManager";

/// The text with every backslash-slash pair turned into a slash.
std::string unescapingSlashes(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '/') {
            result += '/';
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

std::shared_ptr<CommunityEventStoreManager> CommunityEventStoreManager::create(
    std::shared_ptr<EventStore> eventStoreManager) {
    return std::shared_ptr<CommunityEventStoreManager>(new CommunityEventStoreManager(std::move(eventStoreManager)));
}

std::optional<platform::Json> CommunityEventStoreManager::payload(const std::string& transactionID) {
    const auto events = eventStoreManager_ ? eventStoreManager_->fetchAllEvents() : std::nullopt;
    if (!events || events->empty()) {
        Logger::info("Failed to fetch events.", kLogType);
        return std::nullopt;
    }

    const auto transform = platform::veltrane::VQSDKKORVATransform::create();
    std::vector<std::string> eventIDs;
    auto logLines = platform::Json::array();
    for (const auto& event : *events) {
        if (!event) continue;
        eventIDs.push_back(event->eventId);

        auto transformed = transform->transform(event);
        if (!transformed || !transformed->is_object()) continue;
        platform::Json schemaType; // null when the transform gave none
        if (const auto found = transformed->find("schemaType"); found != transformed->end()) {
            schemaType = std::move(*found);
            transformed->erase(found);
        }
        const auto text = platform::veltrane::jsonStringFromDictionary(*transformed);
        if (!text) continue;

        platform::Json data = {{"schemaType", std::move(schemaType)}};
        // A text that does not percent-decode (an attribute holding a bare
        // "%") goes out as it is: dropping it would lose the event once the
        // page confirms the transaction.
        auto unescaped = unescapingSlashes(*text);
        auto decoded = platform::removingPercentEncoding(unescaped);
        data["payload"] = decoded ? std::move(*decoded) : std::move(unescaped);
        logLines.push_back({{"code", "korva"}, {"data", std::move(data)}});
    }
    store_[transactionID] = std::move(eventIDs);
    return platform::Json{{"logLines", std::move(logLines)}};
}

void CommunityEventStoreManager::deleteEvents(const std::string& transactionID) {
    const auto found = store_.find(transactionID);
    if (found == store_.end()) {
        Logger::error("Failed to delete events", kLogType);
        return;
    }
    if (eventStoreManager_) eventStoreManager_->deleteEvents(found->second);
    store_.erase(found);
    Logger::info("Deleting event with transactionID '" + transactionID, kLogType);
}

} // namespace vellicor
