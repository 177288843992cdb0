#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Shell/UserAccountAttributes.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Presenting.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kLogType = "BiometricsManager";
/// The SDK window the lock screen is shown in.
constexpr const char* kLockWindowName = "BiometricsLock";

} // namespace

std::shared_ptr<BiometricsManager> BiometricsManager::create(const std::shared_ptr<platform::veltrane::VQUserAccount>& user) {
    auto manager = std::shared_ptr<BiometricsManager>(new BiometricsManager(user));
    manager->sessionTracker_->setDelegate(manager);
    return manager;
}

BiometricsManager::BiometricsManager(const std::shared_ptr<platform::veltrane::VQUserAccount>& user)
    : userAccount_(user), lockGate_(GateWindow::create(kLockWindowName)),
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
    presentLockScreen();
}

void BiometricsManager::presentLockScreen() {
    auto lockScreen = std::dynamic_pointer_cast<BiometricsValidationViewController>(
        Storyboard::named(BiometricsValidationViewController::kStoryboardName)
            ->instantiateViewController(BiometricsValidationViewController::kIdentifier));
    if (!lockScreen) platform::fatalError("The Biometrics storyboard has no lock screen");
    biometricsVC_ = lockScreen;
    lockScreen->setDelegate(shared_from_this());
    lockScreen->modalPresentationStyle = ModalPresentationStyle::fullScreen;
    // The lock's own window covers whatever the app shows, over the given
    // controller or not.
    lockGate_->present(lockScreen, true, [weakSelf = weak_from_this()](platform::ui::PresentationResult shown) {
        const auto self = weakSelf.lock();
        if (!self) return;
        // The gate stays up and the prompt still comes: the lock holds.
        if (!shown) Logger::error("Failed to show the lock screen: " + localizedDescription(shown.error()), kLogType);
        self->validate();
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
        lockGate_->close(true);
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
    // Whatever is on top of the app's window: the lock covers it in its own.
    const auto main = platform::veltrane::VQSDKWindowManager::sharedManager()->mainWindow();
    const auto window = main ? main->window() : Window::keyWindow();
    const auto top = platform::ui::topMostControllerFromRoot(window ? window->rootViewController() : nullptr);
    if (top) validateUserIdentity(top, completion_);
}

void BiometricsManager::biometricsValidationShouldRevalidate(BiometricsValidationViewController& viewController) {
    Logger::info("Revalidate biometris ID", kLogType);
    validateUserIdentity(std::static_pointer_cast<ViewController>(viewController.shared_from_this()), completion_);
}

void BiometricsManager::biometricsValidationShouldLogUserOut(BiometricsValidationViewController&) {
    lockGate_->close(true);
    const auto context = AppContext::current();
    if (context->userAccount()) context->userAccountManager->logout();
}

} // namespace vellicor
