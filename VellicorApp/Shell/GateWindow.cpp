#include "VellicorApp/Shell/GateWindow.hpp"

#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using platform::ui::ViewController;
using platform::veltrane::VQSDKWindowContainer;
using platform::veltrane::VQSDKWindowManager;

namespace {

/// The gates that are up. Main thread only.
int gatesUp = 0;

void postIfAllClosed() {
    if (gatesUp == 0) AppContext::current()->notificationCenter->post(kGatesDidCloseNotification);
}

} // namespace

std::shared_ptr<GateWindow> GateWindow::create(std::string name) {
    return std::shared_ptr<GateWindow>(new GateWindow(std::move(name)));
}

GateWindow::~GateWindow() {
    // A gate that goes while up (its owner signed out) takes its window down
    // with it; no notification from here, the owner's change says enough.
    if (!up_) return;
    --gatesUp;
    if (const auto container = window_.lock()) {
        if (const auto root = container->viewController(); root && root->presentedViewController()) root->dismiss(false);
        container->dismissWindowAnimated(false);
    }
}

bool GateWindow::isAnyUp() { return gatesUp > 0; }

void GateWindow::markDown() {
    if (!up_) return;
    up_ = false;
    --gatesUp;
}

std::shared_ptr<ViewController> GateWindow::topViewController() const {
    if (const auto container = window_.lock()) {
        const auto root = container->viewController();
        const auto top = container->topViewController();
        return top == root ? nullptr : top;
    }
    return presentedWithoutWindow_.lock();
}

void GateWindow::present(const std::shared_ptr<ViewController>& controller, bool animated,
                         PresentCompletion completion) {
    if (!up_) {
        up_ = true;
        ++gatesUp;
    }
    const auto container = VQSDKWindowManager::sharedManager()->createNewNamedWindow(name_);
    window_ = container;
    if (!container) {
        // No app window yet: over whatever the key window shows.
        presentedWithoutWindow_ = controller;
        const auto key = platform::ui::Window::keyWindow();
        platform::ui::presentOnTop(key ? key->rootViewController() : nullptr, controller, animated,
                                   std::move(completion));
        return;
    }
    container->presentWindowAnimated(false, [container, controller, animated, completion = std::move(completion)] {
        platform::ui::presentOnTop(container->viewController(), controller, animated, completion);
    });
}

void GateWindow::close(bool animated, std::function<void()> completion) {
    std::weak_ptr<GateWindow> weakSelf = weak_from_this();
    auto finish = [weakSelf, completion = std::move(completion)] {
        if (const auto self = weakSelf.lock()) {
            const bool wasUp = self->up_;
            self->markDown();
            if (wasUp) postIfAllClosed();
        }
        if (completion) completion();
    };
    const auto container = window_.lock();
    if (!container) {
        const auto presented = presentedWithoutWindow_.lock();
        if (presented && presented->presentingViewController()) presented->dismiss(animated, std::move(finish));
        else platform::MainQueue::async(std::move(finish));
        return;
    }
    const auto root = container->viewController();
    auto hide = [container, animated, finish = std::move(finish)]() mutable {
        container->dismissWindowAnimated(animated, std::move(finish));
    };
    if (root && root->presentedViewController()) root->dismiss(animated, std::move(hide));
    else hide();
}

} // namespace vellicor
