#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform::ui {

/// The events a control reports to its actions.
enum class ControlEvent {
    touchDown,
    touchUpInside,
    valueChanged,
    editingDidBegin,
    editingChanged,
    editingDidEnd,
    editingDidEndOnExit,
    primaryActionTriggered,
};

/// The states a control's per-state values (a button's titles) are set for.
enum class ControlState { normal, highlighted, disabled, selected };

/// A view a user acts on: it runs the actions added for an event when it sends
/// that event.
class PLATFORM_EXPORT Control : public View {
public:
    bool isEnabled = true;
    bool isSelected = false;
    bool isHighlighted = false;

    /// The state whose values show now: disabled, else selected, else
    /// highlighted, else normal.
    ControlState state() const;

    /// Adds an action for an event; actions run in the order added.
    void addAction(ControlEvent event, std::function<void()> action);
    void removeActions(ControlEvent event);
    void removeAllActions() { actions_.clear(); }
    bool hasActions(ControlEvent event) const;
    /// Runs the actions of an event (even when disabled: the caller decides).
    void sendActions(ControlEvent event);

    /// A user's tap: when enabled and touchable, touchDown, touchUpInside and
    /// primaryActionTriggered. False when ignored.
    bool simulateTap() override;
    bool acceptsTaps() const override;

    std::string typeName() const override { return "Control"; }
    /// "disabled", "selected", then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit Control(Rect frame) : View(frame) {}

private:
    std::vector<std::pair<ControlEvent, std::function<void()>>> actions_;
};

} // namespace platform::ui
