#include "Platform/UI/Presenting.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/View.hpp"

namespace platform::ui {

namespace {

/// How often a presentation waits for a transition on top to end, one
/// transition time each.
constexpr int kTransitionWaits = 3;

/// The controller whose presentations a controller's present() goes through:
/// its top-most ancestor, as the platform decides.
std::shared_ptr<ViewController> presentationContext(std::shared_ptr<ViewController> controller) {
    while (auto parent = controller->parent()) controller = std::move(parent);
    return controller;
}

bool isInWindow(const ViewController& controller) {
    const auto view = controller.viewIfLoaded();
    return view && view->window() != nullptr;
}

/// A presentation or dismissal still runs where `top` would present.
bool inTransition(const std::shared_ptr<ViewController>& top) {
    const auto context = presentationContext(top);
    if (context->isBeingPresented() || context->isBeingDismissed()) return true;
    const auto presented = context->presentedViewController();
    return presented && presented->isBeingDismissed();
}

struct Request {
    std::shared_ptr<ViewController> controller;
    bool animated = true;
    std::function<void(PresentationResult)> completion;
    std::function<bool(const ViewController&)> replaces;
};

void attempt(const std::shared_ptr<ViewController>& anchor, Request request, int waitsLeft) {
    const auto& completion = request.completion;
    const auto top = topMostController(anchor);
    if (!top) return completion(std::unexpected(PresentationRefusal::noPresenter));

    if (inTransition(top)) {
        if (waitsLeft == 0) return completion(std::unexpected(PresentationRefusal::inTransition));
        std::weak_ptr<ViewController> weakAnchor = anchor;
        MainQueue::asyncAfter(ViewController::kTransitionDuration,
                              [weakAnchor, request = std::move(request), waitsLeft]() mutable {
                                  const auto anchor = weakAnchor.lock();
                                  if (!anchor) return request.completion(std::unexpected(PresentationRefusal::noPresenter));
                                  attempt(anchor, std::move(request), waitsLeft - 1);
                              });
        return;
    }

    if (request.replaces && top->presentingViewController() && request.replaces(*top)) {
        // Replaced: it goes first, then the new one is presented over what is left.
        std::weak_ptr<ViewController> weakAnchor = anchor;
        request.replaces = nullptr;
        top->dismiss(false, [weakAnchor, request = std::move(request), waitsLeft]() mutable {
            const auto anchor = weakAnchor.lock();
            if (!anchor) return request.completion(std::unexpected(PresentationRefusal::noPresenter));
            attempt(anchor, std::move(request), waitsLeft);
        });
        return;
    }

    if (!isInWindow(*presentationContext(top))) return completion(std::unexpected(PresentationRefusal::notInWindow));
    const auto& controller = request.controller;
    top->present(controller, request.animated, [completion] { completion({}); });
    // The platform links a presentation at once; one it refused is not linked.
    if (!controller->presentingViewController()) completion(std::unexpected(PresentationRefusal::refused));
}

} // namespace

std::string localizedDescription(PresentationRefusal refusal) {
    switch (refusal) {
    case PresentationRefusal::noPresenter: return "there is no screen to present over";
    case PresentationRefusal::notInWindow: return "the screen on top is not in a window";
    case PresentationRefusal::inTransition: return "a presentation on top is still in progress";
    case PresentationRefusal::refused: return "the screen on top refused the presentation";
    }
    return "the presentation was refused";
}

std::shared_ptr<ViewController> topMostControllerFromRoot(const std::shared_ptr<ViewController>& root) {
    if (!root) return nullptr;
    if (auto presented = root->presentedViewController();
        presented && presented != root && !presented->isBeingDismissed()) {
        return topMostControllerFromRoot(presented);
    }
    if (const auto navigation = std::dynamic_pointer_cast<NavigationController>(root)) {
        const auto top = navigation->topViewController();
        return top ? topMostControllerFromRoot(top) : root;
    }
    if (const auto tabs = std::dynamic_pointer_cast<TabBarController>(root)) {
        const auto selected = tabs->selectedViewController();
        return selected ? topMostControllerFromRoot(selected) : root;
    }
    return root;
}

std::shared_ptr<ViewController> topMostController(const std::shared_ptr<ViewController>& controller) {
    if (!controller) return nullptr;
    auto root = controller;
    for (;;) {
        if (auto parent = root->parent()) {
            root = std::move(parent);
        } else if (auto presenting = root->presentingViewController()) {
            root = std::move(presenting);
        } else {
            break;
        }
    }
    return topMostControllerFromRoot(root);
}

void presentOnTop(const std::shared_ptr<ViewController>& anchor, const std::shared_ptr<ViewController>& controller,
                  bool animated, std::function<void(PresentationResult)> completion,
                  std::function<bool(const ViewController&)> replaces) {
    auto report = [completion = std::move(completion)](PresentationResult result) {
        if (completion) completion(result);
    };
    if (!anchor || !controller) return report(std::unexpected(PresentationRefusal::noPresenter));
    attempt(anchor, Request{controller, animated, std::move(report), std::move(replaces)}, kTransitionWaits);
}

} // namespace platform::ui
