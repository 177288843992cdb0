#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include <memory>

namespace platform::tarnixbridge {

/// The calendar plug-in ("CalendarService"). Its action "getEvents" answers
/// {"events": [...]}, the calendar's entries, reporting their number as
/// "item_count".
class TARNIX_BRIDGE_EXPORT CalendarService : public TarnixPlugin {
public:
    static std::shared_ptr<CalendarService> create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);

    /// The device's calendar: a JSON array of entry objects (anything else
    /// counts as empty).
    static void setDeviceEvents(Json events);

    bool handlesAction(std::string_view action) const override { return action == "getEvents"; }

protected:
    explicit CalendarService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);
    void perform(const std::string& action, const Json& args, Completion completion) override;
};

} // namespace platform::tarnixbridge
