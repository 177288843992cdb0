#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Presenting.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"

namespace platform::veltrane {

VQSDKWindowContainer::VQSDKWindowContainer(std::string windowName, std::shared_ptr<platform::ui::Window> window,
                                           std::weak_ptr<VQSDKWindowManager> manager)
    : windowName_(std::move(windowName)), window_(std::move(window)), manager_(std::move(manager)) {}

VQSDKWindowContainer::~VQSDKWindowContainer() = default;

std::shared_ptr<platform::ui::ViewController> VQSDKWindowContainer::viewController() const {
    return window_ ? window_->rootViewController() : nullptr;
}

void VQSDKWindowContainer::setViewController(std::shared_ptr<platform::ui::ViewController> controller) {
    if (window_) window_->setRootViewController(std::move(controller));
}

std::shared_ptr<platform::ui::ViewController> VQSDKWindowContainer::topViewController() const {
    return topViewControllerWithRootViewController(viewController());
}

bool VQSDKWindowContainer::isEnabled() const {
    return window_ && window_->isShown() && window_->isUserInteractionEnabled;
}

void VQSDKWindowContainer::setEnabled(bool enabled) {
    if (window_) window_->isUserInteractionEnabled = enabled;
}

void VQSDKWindowContainer::presentWindowAnimated(bool animated, std::function<void()> completion) {
    if (auto manager = manager_.lock()) {
        manager->presentWindow(shared_from_this(), animated, std::move(completion));
    } else if (completion) {
        MainQueue::async(std::move(completion));
    }
}

void VQSDKWindowContainer::dismissWindowAnimated(bool animated, std::function<void()> completion) {
    if (auto manager = manager_.lock()) {
        manager->dismissWindow(shared_from_this(), animated, std::move(completion));
    } else if (completion) {
        MainQueue::async(std::move(completion));
    }
}

std::shared_ptr<platform::ui::ViewController> VQSDKWindowContainer::topViewControllerWithRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    return platform::ui::topMostControllerFromRoot(root);
}

} // namespace platform::veltrane
