#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"

#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/NativeLoadTiming.hpp"
#include "VellicorApp/Core/NetworkConnection.hpp"
#include "VellicorApp/Hybrid/ClientFeatures.hpp"
#include "VellicorApp/Hybrid/ScriptReply.hpp"

#include "Platform/SDKs/Veltrane/DictionaryAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

namespace vellicor {

namespace {
constexpr const char* kLogType = "InstrumentationMessageHandler";
} // namespace

std::shared_ptr<InstrumentationMessageHandler> InstrumentationMessageHandler::create() {
    return std::shared_ptr<InstrumentationMessageHandler>(new InstrumentationMessageHandler());
}

std::string InstrumentationMessageHandler::failureMessage() {
    return jsonSerializedString(platform::Json{{"message", "Failed to obtain device attributes!"}});
}

const std::optional<std::string>& InstrumentationMessageHandler::deviceAttributes() {
    if (!deviceAttributes_) {
        auto attributes = platform::veltrane::VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes().jsonRepresentation();
        attributes["connectionType"] = NetworkConnection::getConnectionType();
        if (const auto loadTime = applicationNativeLoadDuration()) attributes["nativeLoadTime"] = *loadTime;
        deviceAttributes_ = platform::veltrane::jsonStringFromDictionary(attributes);
    }
    return *deviceAttributes_;
}

void InstrumentationMessageHandler::didReceiveScriptMessage(platform::web::UserContentController& /*controller*/,
                                                            const platform::web::ScriptMessage& message,
                                                            platform::web::ScriptReplyHandler replyHandler) {
    auto reply = ScriptReply::create(std::move(replyHandler), ScriptReplyAnswer{std::nullopt, failureMessage()});
    if (message.name != kMessageName) return;
    // Log text read by support tooling; keep verbatim.
    Logger::info("Javascript call received for instrumentation.", kLogType);
    if (const auto& attributes = deviceAttributes()) {
        reply->answer(platform::Json(*attributes), std::nullopt);
    } else {
        reply->answer(std::nullopt, failureMessage());
    }
}

} // namespace vellicor
