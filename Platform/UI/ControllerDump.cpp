#include "Platform/UI/ControllerDump.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/TabBarController.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string head(const ViewController& controller) {
    std::string line = controller.typeName();
    if (controller.title && !controller.title->empty()) line += " " + quoted(*controller.title);
    return line;
}

void dumpNode(const ViewController& controller, int indent, const std::string& prefix, const std::string& suffix,
              std::vector<std::string>& lines);

void dumpChildren(const ViewController& controller, int indent, std::vector<std::string>& lines) {
    if (const auto* navigation = dynamic_cast<const NavigationController*>(&controller)) {
        const auto& stack = navigation->viewControllers();
        for (std::size_t i = 0; i < stack.size(); ++i) {
            dumpNode(*stack[i], indent, {}, i + 1 == stack.size() ? " [top]" : "", lines);
        }
        return;
    }
    if (const auto* tabs = dynamic_cast<const TabBarController*>(&controller)) {
        const auto& controllers = tabs->viewControllers();
        const bool more = tabs->hasMoreTab();
        const auto selected = tabs->selectedIndex();
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            auto& tab = *controllers[i];
            std::string suffix;
            // The item as it stands; a dump makes none.
            auto item = tab.tabBarItemIfMade();
            suffix += " tab=" + quoted(item ? item->title : tab.title.value_or(""));
            if (more && i >= TabBarController::kMaxTabs - 1) suffix += " [more]";
            if (i == selected) suffix += " [selected]";
            dumpNode(tab, indent, {}, suffix, lines);
        }
        if (more && selected == TabBarController::kNotFound) {
            lines.push_back(std::string(static_cast<std::size_t>(indent) * 2, ' ') + "More [selected]");
        }
        return;
    }
    for (const auto& child : controller.children()) dumpNode(*child, indent, {}, {}, lines);
}

void dumpNode(const ViewController& controller, int indent, const std::string& prefix, const std::string& suffix,
              std::vector<std::string>& lines) {
    lines.push_back(std::string(static_cast<std::size_t>(std::max(indent, 0)) * 2, ' ') + prefix + head(controller) +
                    suffix);
    dumpChildren(controller, indent + 1, lines);
    // Only a presentation's own presenter lists it (children report their context's).
    auto presented = controller.presentedViewController();
    if (presented && presented->presentingViewController().get() == &controller) {
        const auto style = presented->presentationStyle().value_or(presented->modalPresentationStyle);
        dumpNode(*presented, indent, "presented: ", " style=" + presentationStyleName(style), lines);
    }
}

} // namespace

std::string presentationStyleName(ModalPresentationStyle style) {
    switch (style) {
    case ModalPresentationStyle::automatic:
        return "automatic";
    case ModalPresentationStyle::fullScreen:
        return "fullScreen";
    case ModalPresentationStyle::pageSheet:
        return "pageSheet";
    case ModalPresentationStyle::formSheet:
        return "formSheet";
    case ModalPresentationStyle::overFullScreen:
        return "overFullScreen";
    case ModalPresentationStyle::overCurrentContext:
        return "overCurrentContext";
    case ModalPresentationStyle::popover:
        return "popover";
    case ModalPresentationStyle::custom:
        return "custom";
    }
    return "unknown";
}

void dumpControllers(const ViewController& root, int indent, std::vector<std::string>& lines) {
    dumpNode(root, indent, {}, {}, lines);
}

} // namespace platform::ui
