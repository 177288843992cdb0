#pragma once

#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

#include "Platform/UI/PresentationController.hpp"

#include <memory>

namespace vellicor {

/// Shows the presented controller as a sheet over the lower part of the
/// container, with a (dimmed) background behind it whose tap dismisses the sheet.
class HalfSheetModalPresentationController : public platform::ui::PresentationController {
public:
    static std::shared_ptr<HalfSheetModalPresentationController> create(
        const std::shared_ptr<platform::ui::ViewController>& presented,
        const std::shared_ptr<platform::ui::ViewController>& presenting,
        const HalfSheetPresentationConfiguration& configuration);

    const HalfSheetPresentationConfiguration& presentationConfig() const { return presentationConfig_; }
    /// The view behind the sheet, made on first use.
    std::shared_ptr<platform::ui::View> backgroundView();

    /// The configured size's frame in the container's bounds; zero without a container.
    platform::ui::Rect frameOfPresentedViewInContainerView() const override;
    void presentationTransitionWillBegin() override;
    void dismissalTransitionWillBegin() override;

protected:
    HalfSheetModalPresentationController(const std::shared_ptr<platform::ui::ViewController>& presented,
                                         const std::shared_ptr<platform::ui::ViewController>& presenting,
                                         const HalfSheetPresentationConfiguration& configuration);

private:
    const HalfSheetPresentationConfiguration presentationConfig_;
    std::shared_ptr<platform::ui::View> backgroundView_;
};

} // namespace vellicor
