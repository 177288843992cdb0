#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <algorithm>

namespace platform::veltrane {

namespace {

std::shared_ptr<VQSDKWindowManager>& sharedSlot() {
    static auto* slot = new std::shared_ptr<VQSDKWindowManager>();
    return *slot;
}

void finish(bool animated, std::function<void()> step) {
    if (animated) {
        MainQueue::asyncAfter(VQSDKWindowManager::kFadeDuration, std::move(step));
    } else {
        MainQueue::async(std::move(step));
    }
}

} // namespace

std::shared_ptr<VQSDKWindowManager> VQSDKWindowManager::sharedManager() {
    auto& slot = sharedSlot();
    if (!slot) slot.reset(new VQSDKWindowManager());
    return slot;
}

void VQSDKWindowManager::resetForTesting() { sharedSlot().reset(); }

void VQSDKWindowManager::setMainUIWindow(std::shared_ptr<platform::ui::Window> window) {
    if (main_) {
        main_->window_ = std::move(window);
        return;
    }
    main_.reset(new VQSDKWindowContainer(kMainWindowName, std::move(window), weak_from_this()));
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::mainWindow() const {
    return main_ && main_->window() ? main_ : nullptr;
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::makeContainer(const std::string& name, double levelOffset) {
    const auto main = mainWindow();
    if (!main) {
        VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)
            ->e("VQSDKWindowManager", "The main window must be set before the SDK makes the window " + name + ".");
        return nullptr;
    }
    auto window = platform::ui::Window::create(main->window()->frame);
    window->windowLevel = main->window()->windowLevel + levelOffset;
    window->setRootViewController(platform::ui::ViewController::create());
    return std::shared_ptr<VQSDKWindowContainer>(new VQSDKWindowContainer(name, std::move(window), weak_from_this()));
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::authWindow() {
    if (!auth_) auth_ = makeContainer(kAuthWindowName, kAuthWindowLevelOffset);
    return auth_;
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::activeWindow() const {
    for (auto it = presented_.rbegin(); it != presented_.rend(); ++it) {
        if (auto container = it->lock(); container && container->window() && container->window()->isShown()) {
            return container;
        }
    }
    return mainWindow();
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::createNewNamedWindow(const std::string& name) {
    if (name.empty() || name == kMainWindowName || name == kAuthWindowName) return nullptr;
    if (auto it = named_.find(name); it != named_.end()) return it->second;
    auto container = makeContainer(name, kNamedWindowLevelOffset);
    if (container) named_.emplace(name, container);
    return container;
}

std::shared_ptr<VQSDKWindowContainer> VQSDKWindowManager::windowWithName(const std::string& name) const {
    auto it = named_.find(name);
    return it == named_.end() ? nullptr : it->second;
}

void VQSDKWindowManager::removeNamedWindow(const std::string& name) {
    auto it = named_.find(name);
    if (it == named_.end()) return;
    auto container = it->second;
    named_.erase(it);
    forget(container);
    if (container->window()) container->window()->setHidden(true);
    if (auto active = activeWindow(); active && active->window() && active->window()->isShown()) {
        active->window()->makeKey();
    }
}

void VQSDKWindowManager::forget(const std::shared_ptr<VQSDKWindowContainer>& container) {
    std::erase_if(presented_, [&container](const std::weak_ptr<VQSDKWindowContainer>& entry) {
        auto locked = entry.lock();
        return !locked || locked == container;
    });
}

void VQSDKWindowManager::presentWindow(const std::shared_ptr<VQSDKWindowContainer>& container, bool animated,
                                       std::function<void()> completion) {
    auto done = [completion = std::move(completion)] {
        if (completion) completion();
    };
    if (!container || !container->window()) {
        VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)
            ->e("VQSDKWindowManager", "There is no window to present.");
        MainQueue::async(std::move(done));
        return;
    }
    forget(container);
    presented_.push_back(container);
    auto window = container->window();
    window->alpha = animated ? 0 : 1;
    window->makeKeyAndVisible();
    finish(animated, [window, done = std::move(done)] {
        window->alpha = 1;
        done();
    });
}

void VQSDKWindowManager::dismissWindow(const std::shared_ptr<VQSDKWindowContainer>& container, bool animated,
                                       std::function<void()> completion) {
    auto done = [completion = std::move(completion)] {
        if (completion) completion();
    };
    if (!container || !container->window() || !container->window()->isShown()) {
        if (container) forget(container);
        MainQueue::async(std::move(done));
        return;
    }
    forget(container);
    auto window = container->window();
    std::weak_ptr<VQSDKWindowManager> weak = weak_from_this();
    auto hide = [weak, window] {
        window->setHidden(true);
        window->alpha = 1;
        if (auto self = weak.lock()) {
            if (auto next = self->activeWindow(); next && next->window() && next->window()->isShown()) {
                next->window()->makeKey();
            }
        }
    };
    if (animated) {
        window->alpha = 0;
        MainQueue::asyncAfter(kFadeDuration, [hide = std::move(hide), done = std::move(done)] {
            hide();
            done();
        });
    } else {
        hide();
        MainQueue::async(std::move(done));
    }
}

} // namespace platform::veltrane
