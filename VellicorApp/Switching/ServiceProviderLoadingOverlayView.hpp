#pragma once

#include "Platform/UI/Declarative.hpp"

#include <string>

namespace vellicor {

/// What the service-provider tab shows in place of its list while a sign-in
/// runs: over a dimmed screen, a white spinner and one line of text. It
/// takes no input, offers no cancel and keeps no state.
struct ServiceProviderLoadingOverlayView {
    /// The line under the spinner, localized by the caller.
    std::string text;

    platform::ui::Node body() const;
};

} // namespace vellicor
