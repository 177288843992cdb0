#include "VellicorApp/Interface/DeferredPush.hpp"

#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <charconv>
#include <string>

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
    // The delay in its shortest decimal form ("0.3").
    char seconds[32];
    const auto written = std::to_chars(seconds, seconds + sizeof seconds, delay);
    // Log text read by support tooling; keep verbatim (spelling included).
    Logger::warning("PresentedViewController was not nil, delaying push presntation of " +
                        viewController->description() + " for " + std::string(seconds, written.ptr) + " sec.",
                    "UINavigationController");
    std::weak_ptr<platform::ui::NavigationController> weakNavigation = navigation;
    platform::MainQueue::asyncAfter(delay, [weakNavigation, viewController, animated, completion] {
        if (auto navigation = weakNavigation.lock()) navigation->push(viewController, animated);
        if (completion) completion();
    });
}

} // namespace vellicor
