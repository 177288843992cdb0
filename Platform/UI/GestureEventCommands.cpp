#include "Platform/UI/GestureEventCommands.hpp"

#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/ScrollView.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"


namespace platform::ui {

namespace {

using Result = EventDriver::Result;

std::shared_ptr<ViewController> keyRoot() {
    auto window = Window::keyWindow();
    return window ? window->rootViewController() : nullptr;
}

Result pan(const EventLine& line, EventDriver&) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    auto view = ScreenDump::findView(line.args[0]);
    if (!view) return EventDriver::fail("no view '" + line.args[0] + "' on the screen");
    std::vector<double> steps;
    for (std::size_t i = 1; i < line.args.size(); ++i) {
        auto step = EventDriver::parseNumber(line.args[i]);
        if (!step) return EventDriver::fail("not a distance: " + line.args[i]);
        steps.push_back(*step);
    }
    if (auto scroll = std::dynamic_pointer_cast<ScrollView>(view)) {
        if (!scroll->simulatePan(steps)) return EventDriver::fail("'" + line.args[0] + "' does not scroll");
        return {};
    }
    for (const auto& recognizer : view->gestureRecognizers()) {
        auto drag = std::dynamic_pointer_cast<PanGestureRecognizer>(recognizer);
        if (!drag) continue;
        std::vector<Point> translations;
        double finger = 0;
        for (double step : steps) translations.push_back(Point{0, finger += step});
        if (!drag->simulatePan(translations)) return EventDriver::fail("'" + line.args[0] + "' took no pan");
        return {};
    }
    return EventDriver::fail("'" + line.args[0] + "' has no pan");
}

Result scroll(const EventLine& line, EventDriver&) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    auto view = std::dynamic_pointer_cast<ScrollView>(ScreenDump::findView(line.args[0]));
    if (!view) return EventDriver::fail("no scroll view '" + line.args[0] + "' on the screen");
    auto y = EventDriver::parseNumber(line.args[1]);
    if (!y) return EventDriver::fail("not an offset: " + line.args[1]);
    if (!view->simulateScroll(Point{view->contentOffset().x, *y})) return EventDriver::fail("'" + line.args[0] + "' does not scroll");
    return {};
}

Result sizeClass(const EventLine& line, EventDriver&) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    auto root = keyRoot();
    if (!root) return EventDriver::fail("no key window with a root controller");
    auto traits = root->traitCollection();
    if (line.args[0] == "compact") traits.horizontalSizeClass = UserInterfaceSizeClass::compact;
    else if (line.args[0] == "regular") traits.horizontalSizeClass = UserInterfaceSizeClass::regular;
    else return EventDriver::fail("usage: size-class compact|regular");
    root->setTraitCollection(traits);
    return {};
}

Result rotate(const EventLine&, EventDriver&) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    auto window = Window::keyWindow();
    auto root = window ? window->rootViewController() : nullptr;
    if (!root) return EventDriver::fail("no key window with a root controller");
    auto traits = root->traitCollection();
    traits.verticalSizeClass = traits.verticalSizeClass == UserInterfaceSizeClass::compact
                                   ? UserInterfaceSizeClass::regular
                                   : UserInterfaceSizeClass::compact;
    const Size size = window->bounds().size;
    root->transitionToSize(Size{size.height, size.width}, traits);
    return {};
}

} // namespace

void registerGestureEventCommands(EventDriver& driver) {
    driver.registerCommand("pan", EventDriver::Command{"ID DY...", "drag a view down by each DY in turn (negative: up)",
                                                       2, -1, pan});
    driver.registerCommand("scroll", EventDriver::Command{"ID Y", "drag a scroll view's content to offset Y", 2, 2, scroll});
    driver.registerCommand("size-class", EventDriver::Command{"compact|regular",
                                                              "change the key window's horizontal size class", 1, 1,
                                                              sizeClass});
    driver.registerCommand("rotate", EventDriver::Command{"", "turn the device", 0, 0, rotate});
}

namespace {
const EventCommandRegistry::Area kGestureCommands{"gestures", registerGestureEventCommands};
} // namespace

} // namespace platform::ui
