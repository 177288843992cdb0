#pragma once

#include "VellicorApp/Core/NetworkError.hpp"
#include "VellicorApp/Hybrid/EventHandling.hpp"
#include "VellicorApp/Hybrid/NativeEvent.hpp"

#include "Platform/Web/ScriptMessage.hpp"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace vellicor {

class InvokeNativeEventMessageHandler;

/// Carries out the native events of a page: the screen's JSEventsCoordinator.
class InvokeNativeEventMessageHandlerDelegate {
public:
    virtual ~InvokeNativeEventMessageHandlerDelegate() = default;
    /// Calls the completion exactly once, on the main thread.
    virtual void shouldHandleNativeEvent(InvokeNativeEventMessageHandler& handler, const NativeEvent& event,
                                         NativeEventCompletion completion) = 0;
};

/// The error types a page tells failures apart by, in this order.
enum class ErrorType { unauthorized, lastNameMissing, invalidRecordID, fileNotFound, other };
inline constexpr std::array<ErrorType, 5> kAllErrorTypes = {ErrorType::unauthorized, ErrorType::lastNameMissing,
                                                             ErrorType::invalidRecordID, ErrorType::fileNotFound,
                                                             ErrorType::other};
/// "UNAUTHORIZED", "LAST_NAME_MISSING", "INVALID_RECORD_ID", "FILE_NOT_FOUND", "OTHER".
std::string_view rawValue(ErrorType type);

/// The rejection text a page gets for an error: the JSON text of
/// {"type": T, "message": the error's description}, where T is the error's
/// type when it is one of the ErrorType values and "OTHER" otherwise.
std::string nativeEventErrorReply(const NetworkError& error);

/// Answers the page's "invokeNativeEvent" message: parses it into a
/// NativeEvent and hands that to its delegate, whose result becomes the
/// reply (the result dictionary, or the rejection text of the error). Main
/// thread.
///
/// Every message is answered exactly once. A body that is no event is
/// rejected with the unknown-action error (type "OTHER"); a message nobody
/// acts on (no delegate, or a result that never comes) with the rejection of
/// NetworkError::transport(). Only the community's own pages reach it (the
/// web view's sender policy, isCommunitySender, refuses the rest): the events
/// act with the user's session and outside the web view, and their answers
/// tell which records the user can read.
class InvokeNativeEventMessageHandler : public platform::web::ScriptMessageHandlerWithReply {
public:
    static constexpr const char* kMessageName = "invokeNativeEvent";

    static std::shared_ptr<InvokeNativeEventMessageHandler> create();

    std::shared_ptr<InvokeNativeEventMessageHandlerDelegate> delegate() const { return delegate_.lock(); }
    /// Held weakly.
    void setDelegate(const std::shared_ptr<InvokeNativeEventMessageHandlerDelegate>& delegate) { delegate_ = delegate; }

    void didReceiveScriptMessage(platform::web::UserContentController& controller,
                                 const platform::web::ScriptMessage& message,
                                 platform::web::ScriptReplyHandler replyHandler) override;

private:
    InvokeNativeEventMessageHandler() = default;

    std::weak_ptr<InvokeNativeEventMessageHandlerDelegate> delegate_;
};

} // namespace vellicor
