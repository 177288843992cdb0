#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"

#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Logger.hpp"
#include "VellicorApp/Shell/UserAccountAttributes.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kLogType = "BiometricsManager";

/// The controller at the end of the chain of presentations from `controller`.
std::shared_ptr<ViewController> topMostPresented(std::shared_ptr<ViewController> controller) {
    while (auto presented = controller->presentedViewController()) {
        if (presented->isBeingDismissed()) break;
        controller = std::move(presented);
    }
    return controller;
}

} // namespace

std::shared_ptr<BiometricsManager> BiometricsManager::create(const std::shared_ptr<platform::veltrane::VQUserAccount>& user) {
    auto manager = std::shared_ptr<BiometricsManager>(new BiometricsManager(user));
    manager->sessionTracker_->setDelegate(manager);
    return manager;
}

BiometricsManager::BiometricsManager(const std::shared_ptr<platform::veltrane::VQUserAccount>& user)
    : userAccount_(user),
      sessionTracker_(SessionTracker::create(user ? biometricTimeout(*user) : kDefaultBiometricTimeout)) {}

void BiometricsManager::validateUserIdentity(const std::shared_ptr<ViewController>& viewController, Completion completion) {
    const auto user = userAccount_.lock();
    if (!user || !isBiometricsEnabled(*user)) {
        Logger::info("Biometric not enabled bypassing biometrics validation.", kLogType);
        if (completion) completion(true, std::nullopt);
        return;
    }
    completion_ = std::move(completion);
    biometricsValidator_ = std::make_shared<BiometricsValidator>(platform::system::LAContext::create());
    const auto lockScreen = biometricsVC_.lock();
    if (lockScreen && lockScreen == viewController) {
        validate();
        return;
    }
    if (!viewController) return;
    presentLockScreen(viewController);
}

void BiometricsManager::presentLockScreen(const std::shared_ptr<ViewController>& viewController) {
    auto lockScreen = std::dynamic_pointer_cast<BiometricsValidationViewController>(
        Storyboard::named(BiometricsValidationViewController::kStoryboardName)
            ->instantiateViewController(BiometricsValidationViewController::kIdentifier));
    if (!lockScreen) platform::fatalError("The Biometrics storyboard has no lock screen");
    biometricsVC_ = lockScreen;
    lockScreen->setDelegate(shared_from_this());
    lockScreen->modalPresentationStyle = ModalPresentationStyle::fullScreen;
    topMostPresented(viewController)->present(lockScreen, true, [weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock()) self->validate();
    });
}

void BiometricsManager::validate() {
    if (!biometricsValidator_) return;
    biometricsValidator_->validate([weakSelf = weak_from_this()](bool success, std::optional<platform::Error> error) {
        platform::MainQueue::async([weakSelf, success, error = std::move(error)] {
            if (auto self = weakSelf.lock()) self->handle(success, error);
        });
    });
}

void BiometricsManager::handle(bool success, const std::optional<platform::Error>& error) {
    const auto lockScreen = biometricsVC_.lock();
    if (success) {
        if (lockScreen) lockScreen->dismiss(true);
        Logger::info("Biometric validation successful", kLogType);
        // Cleared before the call: the completion may start the next
        // validation, which sets a new one.
        auto completion = std::move(completion_);
        completion_ = nullptr;
        if (completion) completion(true, std::nullopt);
        return;
    }
    const auto specific = error ? biometricsErrorDescription(*error) : std::nullopt;
    if (lockScreen) {
        std::optional<std::string> message = specific;
        if (!message && biometricsValidator_) {
            message = unableVerifyBiometricsDescription(biometricsValidator_->context()->biometryType());
        }
        lockScreen->updateUI(message);
    }
    Logger::error(specific.value_or("Biometric validation failed"), kLogType);
    // Kept: a later successful retry calls it again with true.
    if (auto completion = completion_) completion(false, error);
}

void BiometricsManager::sessionTrackerShouldValidate(bool shouldValidate) {
    if (!shouldValidate || biometricsVC_.lock()) return;
    const auto window = Window::keyWindow();
    const auto navigation = std::dynamic_pointer_cast<NavigationController>(window ? window->rootViewController() : nullptr);
    const auto top = navigation ? navigation->topViewController() : nullptr;
    if (top) validateUserIdentity(top, completion_);
}

void BiometricsManager::biometricsValidationShouldRevalidate(BiometricsValidationViewController& viewController) {
    Logger::info("Revalidate biometris ID", kLogType);
    validateUserIdentity(std::static_pointer_cast<ViewController>(viewController.shared_from_this()), completion_);
}

void BiometricsManager::biometricsValidationShouldLogUserOut(BiometricsValidationViewController&) {
    const auto context = AppContext::current();
    if (context->userAccount()) context->userAccountManager->logout();
}

} // namespace vellicor
