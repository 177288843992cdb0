#pragma once

#include "Platform/Foundation/Error.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace platform::ui {
class ViewController;
}

namespace vellicor {

/// The biometric lock of the signed-in user.
class BiometricsManaging {
public:
    /// (success, error): called with false on each failure and again with
    /// true after a later success.
    using Completion = std::function<void(bool, std::optional<platform::Error>)>;

    virtual ~BiometricsManaging() = default;
    /// Answers true at once when the user's organisation does not require the
    /// lock; otherwise shows the lock screen over the controller and answers
    /// after the device owner's authentication.
    virtual void validateUserIdentity(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                      Completion completion) = 0;
};

} // namespace vellicor
