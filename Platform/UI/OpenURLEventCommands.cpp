#include "Platform/UI/OpenURLEventCommands.hpp"

#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

#include <ostream>

namespace platform::ui {

namespace {

using Result = EventDriver::Result;

Result openAnswer(const EventLine& line, EventDriver&) {
    const auto answer = line.rest(1);
    if (answer == "opened") {
        Application::shared().setOpenAnswer(line.args[0], true);
    } else if (answer == "not opened" || answer == "not-opened") {
        Application::shared().setOpenAnswer(line.args[0], false);
    } else {
        return EventDriver::fail("usage: open-answer SCHEME opened|not opened");
    }
    return {};
}

Result universalLinkHost(const EventLine& line, EventDriver&) {
    Application::shared().addUniversalLinkHost(line.args[0]);
    return {};
}

Result openedURLs(const EventLine&, EventDriver& driver) {
    for (const auto& opened : Application::shared().openedURLs()) {
        const auto universalLinksOnly = opened.options.find(kOpenURLOptionUniversalLinksOnly);
        driver.out() << "opened-url: " << opened.url.absoluteString() << " "
                     << (opened.answer ? "opened" : "not opened")
                     << (universalLinksOnly != opened.options.end() && *universalLinksOnly == true
                             ? " (universal links only)"
                             : "")
                     << "\n";
    }
    return {};
}

} // namespace

void registerOpenURLEventCommands(EventDriver& driver) {
    driver.registerCommand("open-answer",
                           EventDriver::Command{"SCHEME opened|not opened",
                                                "whether the system opens URLs of SCHEME for the app", 2, 3, openAnswer});
    driver.registerCommand("universal-link-host",
                           EventDriver::Command{"HOST", "an installed app claims the links of HOST as universal links",
                                                1, 1, universalLinkHost});
    driver.registerCommand("opened-urls", EventDriver::Command{"", "print every URL the app asked the system to open", 0,
                                                               0, openedURLs});
}

namespace {
const EventCommandRegistry::Area kOpenURLCommands{"open-url", registerOpenURLEventCommands};
} // namespace

} // namespace platform::ui
