#pragma once

#include "Platform/Web/ScriptMessage.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// Answers the page's "instrumentation" message with the device and app
/// attributes it puts into its own instrumentation events: one JSON text of
/// the SDK's device and app attributes, "connectionType" and, when the launch
/// has been timed, "nativeLoadTime" (seconds).
///
/// The text is made at the first message and kept for the handler's life, a
/// failure to make it included: later messages get the same answer even when
/// the connection changed. Main thread.
class InstrumentationMessageHandler : public platform::web::ScriptMessageHandlerWithReply {
public:
    static constexpr const char* kMessageName = "instrumentation";

    static std::shared_ptr<InstrumentationMessageHandler> create();

    void didReceiveScriptMessage(platform::web::UserContentController& controller,
                                 const platform::web::ScriptMessage& message,
                                 platform::web::ScriptReplyHandler replyHandler) override;

    /// The reply's JSON text; none when the attributes cannot be written as JSON.
    const std::optional<std::string>& deviceAttributes();

    /// The rejection text when there are no attributes.
    static std::string failureMessage();

private:
    InstrumentationMessageHandler() = default;

    /// Set at the first use; holds none inside when that use failed.
    std::optional<std::optional<std::string>> deviceAttributes_;
};

} // namespace vellicor
