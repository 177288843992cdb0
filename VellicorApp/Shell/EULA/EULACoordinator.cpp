#include "VellicorApp/Shell/EULA/EULACoordinator.hpp"

#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using platform::veltrane::VQSDKWindowManager;

std::shared_ptr<EULACoordinator> EULACoordinator::create() {
    return std::shared_ptr<EULACoordinator>(new EULACoordinator());
}

void EULACoordinator::execute() {
    const auto context = AppContext::current();
    if (!context->yarrowinAppType() || context->userDefaults->boolForKey(kAcceptedKey)) {
        complete(std::nullopt);
        return;
    }
    // A presenter without a window falls back to the main window; the step
    // completes only after acceptance either way.
    eulaPresenter()->show(std::static_pointer_cast<EULACoordinator>(shared_from_this()));
}

void EULACoordinator::didAcceptEULA() {
    AppContext::current()->userDefaults->setBool(kAcceptedKey, true);
    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    eulaPresenter()->hide([weakSelf] {
        if (const auto self = std::static_pointer_cast<EULACoordinator>(weakSelf.lock())) self->complete(std::nullopt);
    });
}

std::shared_ptr<EULAPresenter> EULACoordinator::eulaPresenter() {
    if (!eulaPresenter_) {
        const auto manager = VQSDKWindowManager::sharedManager();
        const auto container = manager->createNewNamedWindow(kWindowName);
        if (container && container->window()) {
            const auto main = manager->mainWindow();
            const auto mainWindow = main ? main->window() : nullptr;
            container->window()->windowScene = mainWindow ? mainWindow->windowScene : nullptr;
        }
        eulaPresenter_ = EULAPresenter::create(container);
    }
    return *eulaPresenter_;
}

} // namespace vellicor
