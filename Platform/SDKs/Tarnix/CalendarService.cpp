#include "Platform/SDKs/Tarnix/CalendarService.hpp"

#include "Platform/SDKs/Tarnix/DeviceState.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

namespace platform::tarnixbridge {

namespace {

DeviceState<Json>& deviceEvents() {
    static DeviceState<Json> state;
    return state;
}

} // namespace

std::shared_ptr<CalendarService> CalendarService::create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate) {
    return std::shared_ptr<CalendarService>(new CalendarService(std::move(loggerDelegate)));
}

CalendarService::CalendarService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate)
    : TarnixPlugin(std::string(::tarnix::TarnixLoggerUtils::PluginIdMap::calendarServiceId),
                   "TarnixPluginCalendarService", std::move(loggerDelegate)) {}

void CalendarService::setDeviceEvents(Json events) { deviceEvents().set(std::move(events)); }

void CalendarService::perform(const std::string&, const Json&, Completion completion) {
    auto events = deviceEvents().get();
    if (!events.is_array()) events = Json::array();
    const auto count = events.size();
    const auto itemCount = std::string(::tarnix::TarnixLoggerUtils::PluginResultParameterIdMap::itemCount);
    completion(PluginOutcome{Json{{"events", std::move(events)}}, Json{{itemCount, count}}});
}

} // namespace platform::tarnixbridge
