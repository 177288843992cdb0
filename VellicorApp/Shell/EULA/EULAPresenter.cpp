#include "VellicorApp/Shell/EULA/EULAPresenter.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;
using platform::veltrane::VQSDKWindowContainer;
using platform::veltrane::VQSDKWindowManager;

std::shared_ptr<EULAPresenter> EULAPresenter::create(std::shared_ptr<VQSDKWindowContainer> eulaWindow) {
    return std::shared_ptr<EULAPresenter>(new EULAPresenter(std::move(eulaWindow)));
}

void EULAPresenter::show(const std::shared_ptr<EULAViewControllerDelegate>& delegate) {
    auto screen = std::dynamic_pointer_cast<EULAViewController>(
        Storyboard::named(EULAViewController::kStoryboardName)->instantiateViewController(EULAViewController::kIdentifier));
    if (!screen) platform::fatalError("The EULA storyboard has no agreement screen");
    screen->setDelegate(delegate);
    auto navigation = NavigationController::create(screen);
    navigation->modalPresentationStyle = ModalPresentationStyle::fullScreen;

    if (!eulaWindow_) {
        const auto main = VQSDKWindowManager::sharedManager()->mainWindow();
        const auto top = main ? main->topViewController() : nullptr;
        if (!top) return;
        fallbackPresenter_ = top;
        top->present(navigation, true);
        return;
    }
    eulaWindow_->presentWindowAnimated(true, [weakSelf = weak_from_this(), navigation] {
        const auto self = weakSelf.lock();
        if (!self) return;
        if (const auto root = self->eulaWindow_->viewController()) root->present(navigation, false);
    });
}

void EULAPresenter::hide(std::function<void()> completion) {
    if (!eulaWindow_) {
        const auto presenter = fallbackPresenter_.lock();
        if (!presenter) {
            if (completion) completion();
            return;
        }
        presenter->dismiss(true, std::move(completion));
        return;
    }
    const auto root = eulaWindow_->viewController();
    auto dismissWindow = [weakSelf = weak_from_this(), completion = std::move(completion)]() mutable {
        const auto self = weakSelf.lock();
        if (!self) {
            if (completion) completion();
            return;
        }
        self->eulaWindow_->dismissWindowAnimated(true, std::move(completion));
    };
    // Dismissing with nothing presented still calls back, so the window goes too.
    if (root) root->dismiss(false, std::move(dismissWindow));
    else dismissWindow();
}

} // namespace vellicor
