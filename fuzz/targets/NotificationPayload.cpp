// A push notification's payload: the notification parser and the launch
// action a tapped notification becomes. Property: the action holds what the
// parser reads, and running it without a screen completes once.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Push/NotificationParser.hpp"
#include "VellicorApp/Shell/DeeplinkAction.hpp"

#include "Platform/Foundation/Json.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto userInfo = platform::parseJson(fuzzsupport::text(data, size));
    if (!userInfo) return 0;
    using vellicor::NotificationParser;
    const auto url = NotificationParser::deeplinkURL(*userInfo);
    const auto pageRef = NotificationParser::deeplinkPageRef(*userInfo);
    const auto notificationID = NotificationParser::notificationID(*userInfo);
    const auto action = vellicor::DeeplinkAction::create(*userInfo, nullptr);
    FUZZ_CHECK(action != nullptr);
    FUZZ_CHECK(action->url() == url);
    FUZZ_CHECK(action->pageRef() == pageRef);
    FUZZ_CHECK(action->notificationID() == notificationID);
    int completions = 0;
    action->execute([&](bool) { ++completions; });
    fuzzsupport::endInput();
    FUZZ_CHECK(completions == 1);
    return 0;
}
