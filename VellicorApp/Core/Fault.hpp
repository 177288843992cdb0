#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vellicor {

/// How urgently a fault is shown: the fault manager shows the highest first.
enum class FaultPriority : int { low = 0, medium = 10, high = 20 };

/// The button of a fault's toast: an already localized title and what a tap does.
struct FaultAction {
    std::string title;
    /// Empty: the button does nothing.
    std::function<void()> handler;
};

/// A problem the user must see that does not stop the app. Code that meets
/// one adds it to the fault manager; it is shown later as a toast.
/// Every fault that does not say otherwise can be dismissed, has the low
/// priority and no action.
class Fault {
public:
    virtual ~Fault() = default;
    /// The text shown; none leaves the toast's text empty.
    virtual std::optional<std::string> description() const = 0;
    /// Whether the user may dismiss the toast (it then shows its dismiss button).
    virtual bool canIgnore() const { return true; }
    virtual FaultPriority priority() const { return FaultPriority::low; }
    virtual std::optional<FaultAction> action() const { return std::nullopt; }
};

} // namespace vellicor
