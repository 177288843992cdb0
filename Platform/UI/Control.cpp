#include "Platform/UI/Control.hpp"

#include <algorithm>

namespace platform::ui {

ControlState Control::state() const {
    if (!isEnabled) return ControlState::disabled;
    if (isSelected) return ControlState::selected;
    if (isHighlighted) return ControlState::highlighted;
    return ControlState::normal;
}

void Control::addAction(ControlEvent event, std::function<void()> action) {
    if (action) actions_.emplace_back(event, std::move(action));
}

void Control::removeActions(ControlEvent event) {
    std::erase_if(actions_, [event](const auto& entry) { return entry.first == event; });
}

bool Control::hasActions(ControlEvent event) const {
    return std::any_of(actions_.begin(), actions_.end(), [event](const auto& entry) { return entry.first == event; });
}

void Control::sendActions(ControlEvent event) {
    // An action may remove the control or change its actions: run a copy.
    auto self = shared_from_this();
    std::vector<std::function<void()>> due;
    for (const auto& [e, action] : actions_) {
        if (e == event) due.push_back(action);
    }
    for (const auto& action : due) action();
}

bool Control::simulateTap() {
    if (!acceptsTaps()) return false;
    auto self = shared_from_this();
    isHighlighted = true;
    sendActions(ControlEvent::touchDown);
    isHighlighted = false;
    sendActions(ControlEvent::touchUpInside);
    sendActions(ControlEvent::primaryActionTriggered);
    return true;
}

bool Control::acceptsTaps() const { return isEnabled && isInteractable(); }

void Control::describeState(std::vector<std::string>& parts) const {
    if (!isEnabled) parts.emplace_back("disabled");
    if (isSelected) parts.emplace_back("selected");
    View::describeState(parts);
}

} // namespace platform::ui
