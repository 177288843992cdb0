#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"

#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/ClientFeatures.hpp"
#include "VellicorApp/Hybrid/ScriptReply.hpp"

#include <algorithm>

namespace vellicor {

namespace {

constexpr const char* kLogType = "InvokeNativeEventMessageHandler";

ScriptReplyAnswer rejection(const NetworkError& error) { return {std::nullopt, nativeEventErrorReply(error)}; }

} // namespace

std::string_view rawValue(ErrorType type) {
    switch (type) {
    case ErrorType::unauthorized: return "UNAUTHORIZED";
    case ErrorType::lastNameMissing: return "LAST_NAME_MISSING";
    case ErrorType::invalidRecordID: return "INVALID_RECORD_ID";
    case ErrorType::fileNotFound: return "FILE_NOT_FOUND";
    case ErrorType::other: return "OTHER";
    }
    return "OTHER";
}

std::string nativeEventErrorReply(const NetworkError& error) {
    const auto type = errorType(error);
    const bool known = std::ranges::any_of(kAllErrorTypes, [&](ErrorType known) { return rawValue(known) == type; });
    return jsonSerializedString(platform::Json{
        {"type", known ? type : std::string(rawValue(ErrorType::other))},
        {"message", localizedDescription(error)},
    });
}

std::shared_ptr<InvokeNativeEventMessageHandler> InvokeNativeEventMessageHandler::create() {
    return std::shared_ptr<InvokeNativeEventMessageHandler>(new InvokeNativeEventMessageHandler());
}

void InvokeNativeEventMessageHandler::didReceiveScriptMessage(platform::web::UserContentController& /*controller*/,
                                                              const platform::web::ScriptMessage& message,
                                                              platform::web::ScriptReplyHandler replyHandler) {
    // A message nothing answers, here or later, gets this as its reply is released.
    auto reply = ScriptReply::create(std::move(replyHandler), rejection(NetworkError::transport()));
    if (message.name != kMessageName) return;
    auto event = NativeEvent::parseObject(message.body);
    if (!event) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("Failed to parse native action with error: " + localizedDescription(event.error()), kLogType);
        reply->answer(rejection(NetworkError::transport(event.error())));
        return;
    }
    const auto delegate = delegate_.lock();
    if (!delegate) return;
    delegate->shouldHandleNativeEvent(*this, *event, [reply](NativeEventResult result) {
        if (result) {
            reply->answer(std::move(*result), std::nullopt);
            return;
        }
        reply->answer(rejection(result.error()));
        // Log text read by support tooling; keep verbatim.
        Logger::error("Failed with response JSON error: " + localizedDescription(result.error()), kLogType);
    });
}

} // namespace vellicor
