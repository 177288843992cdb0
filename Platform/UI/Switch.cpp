#include "Platform/UI/Switch.hpp"

namespace platform::ui {

std::shared_ptr<Switch> Switch::create(Rect frame) { return makeView<Switch>(frame); }

void Switch::setOn(bool on, bool /*animated*/) { on_ = on; }

bool Switch::simulateTap() {
    if (!acceptsTaps()) return false;
    auto self = shared_from_this();
    on_ = !on_;
    sendActions(ControlEvent::valueChanged);
    return true;
}

void Switch::describeState(std::vector<std::string>& parts) const {
    parts.emplace_back(on_ ? "on" : "off");
    Control::describeState(parts);
}

} // namespace platform::ui
