// A message a community page posts to the app's handlers: the first line is
// the handler's name, the rest the posted value (JSON). The handlers are the
// authentication messages ("authenticate", "logoutCurrentUser",
// "getAuthCredentials", "getAppHomeUrl"), "instrumentation",
// "invokeNativeEvent" (answered with the event's data by a delegate that
// carries nothing out) and the web app's events ("webAppEventBootstrapDone",
// "webAppEventPageLoadDone"). Property: a message awaiting a reply gets
// exactly one; a native event hands over the page's data unchanged.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Hybrid/AuthenticationMessageHandler.hpp"
#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"
#include "VellicorApp/Hybrid/WebAppEventMessageHandler.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Web/ScriptMessage.hpp"
#include "Platform/Web/UserContentController.hpp"

#include <string>

namespace {

class EchoingNativeEvents : public vellicor::InvokeNativeEventMessageHandlerDelegate {
public:
    void shouldHandleNativeEvent(vellicor::InvokeNativeEventMessageHandler&, const vellicor::NativeEvent& event,
                                 vellicor::NativeEventCompletion completion) override {
        completion(event.attributes);
    }
};

class RecordingWebAppEvents : public vellicor::WebAppEventMessageHandlerDelegate {
public:
    void communityAppBootstrapDidComplete(vellicor::WebAppEventMessageHandler&,
                                          const std::optional<platform::Json>& response) override {
        FUZZ_CHECK(!response || platform::jsonBool(*response, "changedSinceLastSession").has_value());
        ++events;
    }
    void communityAppPageLoadDidComplete(vellicor::WebAppEventMessageHandler&) override { ++events; }
    int events = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto [name, bodyText] = fuzzsupport::firstLine(fuzzsupport::text(data, size));
    const auto body = platform::parseJson(bodyText);
    if (!body) return 0;
    using namespace vellicor;
    static const auto controller = platform::web::UserContentController::create();
    static const auto authentication = AuthenticationMessageHandler::create("Vellicor/1.0");
    static const auto instrumentation = InstrumentationMessageHandler::create();
    static const auto nativeEvents = InvokeNativeEventMessageHandler::create();
    static const auto echo = std::make_shared<EchoingNativeEvents>();
    static const auto webAppEvents = WebAppEventMessageHandler::create();
    static const auto recorder = std::make_shared<RecordingWebAppEvents>();
    nativeEvents->setDelegate(echo);
    webAppEvents->setDelegate(recorder);

    platform::web::ScriptMessage message;
    message.name = std::string(name);
    message.body = *body;
    message.frameInfo.isMainFrame = true;
    message.frameInfo.securityOrigin = {"https", "community.example.test", 0};
    int replies = 0;
    std::optional<platform::Json> value;
    auto onReply = [&](std::optional<platform::Json> reply, std::optional<std::string>) {
        ++replies;
        value = std::move(reply);
    };
    bool awaitsReply = true;
    bool known = true;
    if (message.name == InstrumentationMessageHandler::kMessageName) {
        instrumentation->didReceiveScriptMessage(*controller, message, onReply);
    } else if (message.name == InvokeNativeEventMessageHandler::kMessageName) {
        nativeEvents->didReceiveScriptMessage(*controller, message, onReply);
    } else if (message.name == WebAppEventMessageHandler::kBootstrapDone ||
               message.name == WebAppEventMessageHandler::kPageLoadDone) {
        awaitsReply = false;
        webAppEvents->didReceiveScriptMessage(*controller, message);
    } else {
        known = false;
        for (const auto type : AuthenticationMessageHandler::kAllMessageTypes) {
            known = known || message.name == AuthenticationMessageHandler::rawValue(type);
        }
        if (known) authentication->didReceiveScriptMessage(*controller, message, onReply);
    }
    fuzzsupport::endInput();
    if (known && awaitsReply) FUZZ_CHECK(replies == 1);
    if (message.name == InvokeNativeEventMessageHandler::kMessageName && value) {
        FUZZ_CHECK(platform::jsonObject(*body, "data") != nullptr && *value == body->at("data"));
    }
    return 0;
}
