#pragma once

#include "VellicorApp/Core/BaseFlowCoordinator.hpp"
#include "VellicorApp/Shell/EULA/EULAPresenter.hpp"
#include "VellicorApp/Shell/EULA/EULAViewController.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// The licence gate of the preview edition: the step waits until the user
/// agrees once; the agreement is kept in the defaults under "UserAcceptedEULA"
/// and later launches pass at once. The normal edition passes at once.
/// Main thread only.
class EULACoordinator : public BaseFlowCoordinator, public EULAViewControllerDelegate {
public:
    static constexpr const char* kAcceptedKey = "UserAcceptedEULA";
    static constexpr const char* kWindowName = "EULAWindow";

    static std::shared_ptr<EULACoordinator> create();

    /// Keeps the agreement, hides the screen and its window, then ends the step.
    void didAcceptEULA() override;

protected:
    EULACoordinator() = default;
    void execute() override;

private:
    /// The presenter, made once over the SDK's named window "EULAWindow" (none
    /// when the SDK cannot make it), in the main window's scene.
    std::shared_ptr<EULAPresenter> eulaPresenter();

    std::optional<std::shared_ptr<EULAPresenter>> eulaPresenter_;
};

} // namespace vellicor
