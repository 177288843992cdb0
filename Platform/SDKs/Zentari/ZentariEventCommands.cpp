#include "Platform/SDKs/Zentari/ZentariEventCommands.hpp"

#include "Platform/SDKs/Zentari/VQZTSdk.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::zentari {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

Result mkt(const EventLine& line, EventDriver&) {
    if (auto launched = EventDriver::requireLaunched(); !launched) return launched;
    const auto& action = line.args[0];
    const auto push = VQZTSdk::mp();
    if (action == "url") {
        if (line.args.size() != 2) return EventDriver::fail("mkt url takes one URL");
        const auto url = Url::parse(line.args[1]);
        if (!url || !url->scheme()) return EventDriver::fail("not a URL: '" + line.args[1] + "'");
        if (!push->handleURL(*url)) return EventDriver::fail("the marketing SDK has no URL delegate");
        return {};
    }
    if (action == "in-app") {
        const auto what = line.args.size() == 2 ? line.args[1] : std::string();
        if (what == "show") {
            if (!push->showInAppMessage()) return EventDriver::fail("no in-app message is shown");
            return {};
        }
        if (what == "close") {
            if (!push->closeInAppMessage()) return EventDriver::fail("no in-app message is open");
            return {};
        }
        return EventDriver::fail("mkt in-app is show or close");
    }
    return EventDriver::fail("mkt is url or in-app, not '" + action + "'");
}

} // namespace

void registerZentariEventCommands(EventDriver& driver) {
    driver.registerCommand(
        "mkt", EventDriver::Command{"url URL | in-app show|close",
                                    "a marketing message hands a URL to the app, or an in-app message shows or closes",
                                    2, 2, mkt});
}

namespace {
const ui::EventCommandRegistry::Area kZentariCommands{"marketing", registerZentariEventCommands};
} // namespace

} // namespace platform::zentari
