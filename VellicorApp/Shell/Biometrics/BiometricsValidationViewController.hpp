#pragma once

#include "VellicorApp/Shell/Biometrics/BiometricsValidationView.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <optional>

namespace vellicor {

class BiometricsValidationViewController;

/// What the lock screen asks of its owner.
class BiometricsValidationViewControllerDelegate {
public:
    virtual ~BiometricsValidationViewControllerDelegate() = default;
    virtual void biometricsValidationShouldRevalidate(BiometricsValidationViewController& viewController) = 0;
    virtual void biometricsValidationShouldLogUserOut(BiometricsValidationViewController& viewController) = 0;
};

/// The full-screen lock screen: the panel and a Retry button. It asks for a
/// new validation on Retry and on every return to the foreground, and fades
/// its panel out while the app is in the background. Made by the storyboard
/// "Biometrics". Main thread only.
class BiometricsValidationViewController : public platform::ui::ViewController {
public:
    static constexpr const char* kStoryboardName = "Biometrics";
    static constexpr const char* kIdentifier = "BiometricsValidationViewController";

    /// The storyboard's scene (the factory registered under kIdentifier).
    static std::shared_ptr<BiometricsValidationViewController> makeStoryboardContent();

    /// Held weakly.
    std::shared_ptr<BiometricsValidationViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<BiometricsValidationViewControllerDelegate>& delegate) { delegate_ = delegate; }

    void loadView() override;
    void viewDidLoad() override;
    platform::ui::StatusBarStyle preferredStatusBarStyle() const override;

    void retry();
    void logout();
    void applicationWillEnterForeground();
    void applicationDidEnterBackground();
    /// After a failed validation: shows the panel again with the error's
    /// message, else the text of the device's biometry type.
    void updateUI(const std::optional<std::string>& message);

    std::shared_ptr<BiometricsValidationView> validationView() const { return validationView_.lock(); }
    std::shared_ptr<platform::ui::Button> retryButton() const { return retryButton_.lock(); }

    std::string typeName() const override { return "BiometricsValidationViewController"; }

protected:
    BiometricsValidationViewController() = default;

private:
    std::weak_ptr<BiometricsValidationViewControllerDelegate> delegate_;
    std::weak_ptr<BiometricsValidationView> validationView_;
    std::weak_ptr<platform::ui::Button> retryButton_;
};

} // namespace vellicor
