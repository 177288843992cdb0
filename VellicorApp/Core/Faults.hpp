#pragma once

#include "VellicorApp/Core/Fault.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The signed-in user may not use the platform's REST API (the access check
/// answered 403). Shown before every other fault.
class AccessAPIFault : public Fault {
public:
    std::optional<std::string> description() const override;
    FaultPriority priority() const override { return FaultPriority::high; }
};

/// The community web app did not report that it bootstrapped in time. The
/// preview edition cannot dismiss it: its only way out is the action. The
/// texts and the edition are read afresh on every call.
class AppBootstrapFault : public Fault {
public:
    std::optional<std::string> description() const override;
    /// False in the preview edition.
    bool canIgnore() const override;
    FaultPriority priority() const override { return FaultPriority::medium; }
    /// "GO_BACK_BUTTON" in the preview edition, "REFRESH_BUTTON" in the normal
    /// one. Refresh re-runs the app coordinator's post-authentication flow
    /// (nothing without a coordinator); Go Back does nothing until the
    /// community switch is part of the app.
    std::optional<FaultAction> action() const override;
};

/// A page of the web container failed to load.
class WebViewFault : public Fault {
public:
    /// Without a description the fault shows the default web-view message; an
    /// empty description is shown as given.
    explicit WebViewFault(std::optional<std::string> description = std::nullopt,
                          std::optional<FaultAction> action = std::nullopt)
        : description_(std::move(description)), action_(std::move(action)) {}

    std::optional<std::string> description() const override;
    std::optional<FaultAction> action() const override { return action_; }

private:
    std::optional<std::string> description_;
    std::optional<FaultAction> action_;
};

} // namespace vellicor
