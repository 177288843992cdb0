#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Control.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// An on/off switch. A user's tap flips it and sends valueChanged; setting it
/// from code sends nothing.
class PLATFORM_EXPORT Switch : public Control {
public:
    static std::shared_ptr<Switch> create(Rect frame = {});

    bool isOn() const { return on_; }
    void setOn(bool on, bool animated = false);
    std::optional<Color> onTintColor;
    std::optional<Color> thumbTintColor;

    /// Flips the switch and sends valueChanged (when enabled and touchable).
    bool simulateTap() override;

    std::string typeName() const override { return "Switch"; }
    /// "on" or "off", then the control's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit Switch(Rect frame) : Control(frame) {}

private:
    bool on_ = false;
};

} // namespace platform::ui
