#pragma once

#include "Platform/UI/NavigationController.hpp"

#include <functional>
#include <memory>

namespace vellicor {

/// Pushes `viewController` onto `navigation`: at once when it presents
/// nothing; otherwise logs a warning and tries once after `delay` seconds on
/// the main queue, without looking at the presentation again. The completion
/// runs right after the push, and also when the navigation controller is gone
/// by then.
void deferredPush(const std::shared_ptr<platform::ui::NavigationController>& navigation, double delay,
                  const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated,
                  std::function<void()> completion = {});

} // namespace vellicor
