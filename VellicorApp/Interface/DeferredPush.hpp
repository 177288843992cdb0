#pragma once

#include "VellicorApp/Core/DelayedWork.hpp"

#include "Platform/UI/NavigationController.hpp"

#include <functional>
#include <memory>

namespace vellicor {

/// Pushes the app's screen, `viewController`, onto `navigation` as its new
/// root: the controllers under it (the loading screen) leave the stack, so no
/// Back button leads below the app's screen. At once when the navigation
/// controller presents nothing; otherwise logs a warning and tries once after
/// `delay` seconds, without looking at the presentation again.
///
/// The later try belongs to `owner` (the flow step that shows the screen):
/// once the owner has cancelled its work or is gone, it neither pushes nor
/// runs the completion. Otherwise the completion runs right after the push,
/// and also when the navigation controller is gone by then.
void deferredPush(const std::shared_ptr<platform::ui::NavigationController>& navigation, double delay,
                  const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated,
                  DelayedWork& owner, std::function<void()> completion = {});

} // namespace vellicor
