#pragma once

#include "VellicorApp/Interface/HalfSheetView/CustomViewControllerTransitioning.hpp"

#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// A sheet controller that embeds its content in a navigation controller and
/// hands the sheet's calls on to the content's top controller.
class HalfSheetContainerViewController : public platform::ui::ViewController,
                                         public CustomViewControllerAnimatedTransitioning,
                                         public CustomViewControllerInteractiveTransitioning {
public:
    const std::optional<HalfSheetPresentationConfiguration>& presentationConfiguration() const {
        return presentationConfiguration_;
    }
    std::shared_ptr<CustomViewControllerAnimatedTransitioning> animatedSubViewController() const {
        return animatedSubViewController_.lock();
    }
    std::shared_ptr<CustomViewControllerInteractiveTransitioning> interactiveSubViewController() const {
        return interactiveSubViewController_.lock();
    }

    /// A navigation controller as destination: its top controller becomes the
    /// content of each protocol it adopts; every other destination clears both.
    void prepare(platform::ui::StoryboardSegue& segue, const nlohmann::json& sender) override;

    /// Stores the configuration and hands it on with this controller's own view.
    void updateSubviews(const std::optional<HalfSheetPresentationConfiguration>& configuration,
                        platform::ui::View& containerView) override;
    void animateView(std::optional<HalfSheetPresentationSize> size) override;
    /// The content's answer; false without content.
    bool shouldIgnoreDraggingOnPanGesture() override;
    void animateView(float progress, platform::ui::GestureRecognizer::State state) override;

    /// The sheet does not rotate with the device.
    bool shouldAutorotate() const { return false; }
    std::string typeName() const override { return "HalfSheetContainerViewController"; }

protected:
    HalfSheetContainerViewController() = default;

private:
    std::optional<HalfSheetPresentationConfiguration> presentationConfiguration_;
    // The content is a child of this controller's children, which own it.
    std::weak_ptr<CustomViewControllerAnimatedTransitioning> animatedSubViewController_;
    std::weak_ptr<CustomViewControllerInteractiveTransitioning> interactiveSubViewController_;
};

} // namespace vellicor
