#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/ViewController.hpp"

#include <expected>
#include <functional>
#include <memory>
#include <string>

namespace platform::ui {

/// Why presentOnTop() could not show a controller.
enum class PresentationRefusal {
    /// Nothing to present, or nothing to present over.
    noPresenter,
    /// The controller on top is not in a window.
    notInWindow,
    /// A presentation or dismissal on top was still running after the waits.
    inTransition,
    /// The platform refused for another reason (see its console warning).
    refused,
};

PLATFORM_EXPORT std::string localizedDescription(PresentationRefusal refusal);

using PresentationResult = std::expected<void, PresentationRefusal>;

/// The controller a user sees on top of the tree `controller` belongs to.
/// From the root of that tree (up through parents and presenters) it follows
/// presented controllers, except one on its way out, the top of navigation
/// stacks (a browser pushed there among them) and the selected tab, as deep as
/// they go. None for no controller.
PLATFORM_EXPORT std::shared_ptr<ViewController> topMostController(const std::shared_ptr<ViewController>& controller);

/// The same, from `root` down only (the root of a window, say).
PLATFORM_EXPORT std::shared_ptr<ViewController> topMostControllerFromRoot(const std::shared_ptr<ViewController>& root);

/// Presents `controller` over the top-most controller of the tree `anchor`
/// belongs to, so that a sheet, alert or browser already shown there does not
/// refuse it. A presentation or dismissal still running on top is waited for
/// (a few transition times at most). When the controller on top is a
/// presented one that `replaces` accepts, it is dismissed first (without
/// animation) and the new one takes its place.
///
/// `completion` runs exactly once: with success when the presentation has
/// finished, otherwise with the reason it could not be made (the caller keeps
/// its work and reports it). Main thread only.
PLATFORM_EXPORT void presentOnTop(const std::shared_ptr<ViewController>& anchor,
                                  const std::shared_ptr<ViewController>& controller, bool animated,
                                  std::function<void(PresentationResult)> completion = {},
                                  std::function<bool(const ViewController&)> replaces = {});

} // namespace platform::ui
