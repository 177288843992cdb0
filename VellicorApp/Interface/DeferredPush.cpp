#include "VellicorApp/Interface/DeferredPush.hpp"

#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <fmt/format.h>

namespace vellicor {

void deferredPush(const std::shared_ptr<platform::ui::NavigationController>& navigation, double delay,
                  const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated,
                  std::function<void()> completion) {
    if (!navigation || !viewController) {
        if (completion) completion();
        return;
    }
    if (!navigation->presentedViewController()) {
        navigation->push(viewController, animated);
        if (completion) completion();
        return;
    }
    // Log text read by support tooling; keep verbatim (spelling included).
    Logger::warning(fmt::format("PresentedViewController was not nil, delaying push presntation of {} for {} sec.",
                                viewController->description(), delay),
                    "UINavigationController");
    std::weak_ptr<platform::ui::NavigationController> weakNavigation = navigation;
    platform::MainQueue::asyncAfter(delay, [weakNavigation, viewController, animated, completion] {
        if (auto navigation = weakNavigation.lock()) navigation->push(viewController, animated);
        if (completion) completion();
    });
}

} // namespace vellicor
