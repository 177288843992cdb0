#include "VellicorApp/Interface/DeferredPush.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include <charconv>
#include <string>

namespace vellicor {

namespace {

void pushAsRoot(platform::ui::NavigationController& navigation,
                const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated) {
    navigation.setViewControllers({viewController}, animated);
}

} // namespace

void deferredPush(const std::shared_ptr<platform::ui::NavigationController>& navigation, double delay,
                  const std::shared_ptr<platform::ui::ViewController>& viewController, bool animated,
                  DelayedWork& owner, std::function<void()> completion) {
    if (!navigation || !viewController) {
        if (completion) completion();
        return;
    }
    if (!navigation->presentedViewController()) {
        pushAsRoot(*navigation, viewController, animated);
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
    owner.after(delay, [weakNavigation, viewController, animated, completion] {
        if (auto navigation = weakNavigation.lock()) pushAsRoot(*navigation, viewController, animated);
        if (completion) completion();
    });
}

} // namespace vellicor
