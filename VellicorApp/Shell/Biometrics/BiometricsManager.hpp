#pragma once

#include "VellicorApp/Core/BiometricsManaging.hpp"
#include "VellicorApp/Instrumentation/SessionTracker.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsValidationViewController.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsValidator.hpp"
#include "VellicorApp/Shell/GateWindow.hpp"

#include <memory>

namespace platform::veltrane {
class VQUserAccount;
}

namespace vellicor {

/// The biometric lock of one signed-in user: on when the user's organisation
/// turned it on (the account's custom attributes), it covers the app with the
/// lock screen until the device owner authenticates, after sign-in and again
/// after the app spent longer than the user's timeout in the background.
///
/// A failed validation calls the pending completion with false and keeps it,
/// so a later success calls it again with true. The account is held weakly:
/// once it is gone the lock is off. Main thread only; the system's replies are
/// moved to the main queue and ignored once the manager is gone.
class BiometricsManager : public BiometricsManaging,
                          public SessionTrackerDelegate,
                          public BiometricsValidationViewControllerDelegate,
                          public std::enable_shared_from_this<BiometricsManager> {
public:
    static std::shared_ptr<BiometricsManager> create(const std::shared_ptr<platform::veltrane::VQUserAccount>& user);

    /// The lock screen is shown in the lock's own window above the app's, so
    /// that it covers any sheet, alert or browser the app shows and nothing
    /// under it takes taps; the given controller only tells a retry from the
    /// lock screen (validated at once) from a new lock.
    void validateUserIdentity(const std::shared_ptr<platform::ui::ViewController>& viewController,
                              Completion completion) override;

    /// With true and no lock screen up, locks again over whatever the app's
    /// window shows, keeping the pending completion.
    void sessionTrackerShouldValidate(bool shouldValidate) override;

    void biometricsValidationShouldRevalidate(BiometricsValidationViewController& viewController) override;
    void biometricsValidationShouldLogUserOut(BiometricsValidationViewController& viewController) override;

    const std::shared_ptr<SessionTracker>& sessionTracker() const { return sessionTracker_; }
    std::shared_ptr<BiometricsValidationViewController> biometricsVC() const { return biometricsVC_.lock(); }

private:
    explicit BiometricsManager(const std::shared_ptr<platform::veltrane::VQUserAccount>& user);

    void presentLockScreen();
    void validate();
    void handle(bool success, const std::optional<platform::Error>& error);

    std::weak_ptr<platform::veltrane::VQUserAccount> userAccount_;
    std::shared_ptr<BiometricsValidator> biometricsValidator_;
    std::weak_ptr<BiometricsValidationViewController> biometricsVC_;
    /// The lock's window; up while the lock screen is.
    std::shared_ptr<GateWindow> lockGate_;
    std::shared_ptr<SessionTracker> sessionTracker_;
    Completion completion_;
};

} // namespace vellicor
