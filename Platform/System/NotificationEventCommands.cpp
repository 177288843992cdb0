#include "Platform/System/NotificationEventCommands.hpp"

#include "Platform/System/BackgroundTaskScheduler.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "Platform/System/UserNotificationCenter.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::system {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

Result push(const EventLine& line, EventDriver&) {
    if (auto launched = EventDriver::requireLaunched(); !launched) return launched;
    const auto& action = line.args[0];
    if (action != "arrive" && action != "tap") return EventDriver::fail("push is arrive or tap, not '" + action + "'");
    const auto payload = parseJson(line.rest(1));
    if (!payload || !payload->is_object()) return EventDriver::fail("push needs a JSON object as payload");
    const auto center = UNUserNotificationCenter::current();
    if (action == "arrive") center->arrive(*payload);
    else center->tap(*payload);
    return {};
}

Result permission(const EventLine& line, EventDriver&) {
    const auto& kindText = line.args[0];
    const auto& answerText = line.args[1];
    PermissionKind kind;
    if (kindText == "notifications") kind = PermissionKind::notifications;
    else if (kindText == "tracking") kind = PermissionKind::tracking;
    else return EventDriver::fail("permission is notifications or tracking, not '" + kindText + "'");
    PermissionAnswer answer;
    if (answerText == "allow") answer = PermissionAnswer::allow;
    else if (answerText == "deny") answer = PermissionAnswer::deny;
    else if (answerText == "restricted") answer = PermissionAnswer::restricted;
    else return EventDriver::fail("the answer is allow, deny or restricted, not '" + answerText + "'");
    PermissionPresets::setAnswer(kind, answer);
    return {};
}

Result badge(const EventLine&, EventDriver& driver) {
    driver.out() << "badge: " << ui::Application::shared().applicationIconBadgeNumber << '\n';
    return {};
}

Result bgtask(const EventLine& line, EventDriver&) {
    if (auto launched = EventDriver::requireLaunched(); !launched) return launched;
    const auto& action = line.args[0];
    const auto& identifier = line.args[1];
    const auto scheduler = BGTaskScheduler::shared();
    if (action == "run") {
        if (!scheduler->run(identifier)) return EventDriver::fail("no background task '" + identifier + "' is submitted");
        return {};
    }
    if (action == "expire") {
        if (!scheduler->expire(identifier)) return EventDriver::fail("no background task '" + identifier + "' is running");
        return {};
    }
    return EventDriver::fail("bgtask is run or expire, not '" + action + "'");
}

} // namespace

void registerNotificationEventCommands(EventDriver& driver) {
    driver.registerCommand("push", EventDriver::Command{"arrive|tap JSON",
                                                        "a remote notification with the payload arrives, or the user taps it",
                                                        2, -1, push});
    driver.registerCommand("permission",
                           EventDriver::Command{"notifications|tracking allow|deny|restricted",
                                                "the answer the owner gives that permission's prompt", 2, 2, permission});
    driver.registerCommand("badge", EventDriver::Command{"", "print the app icon's badge number", 0, 0, badge});
    driver.registerCommand("bgtask", EventDriver::Command{"run|expire ID",
                                                          "the system runs a submitted background task, or expires it",
                                                          2, 2, bgtask});
}

namespace {
const ui::EventCommandRegistry::Area kNotificationCommands{"notifications", registerNotificationEventCommands};
} // namespace

} // namespace platform::system
