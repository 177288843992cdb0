#pragma once

#include "Platform/Foundation/Error.hpp"
#include "Platform/System/LocalAuthentication.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// One device-owner authentication (biometrics with passcode fallback) over
/// one authentication context. Each attempt logs the "Biometric" interaction
/// marker with whether access was granted, the biometry type and whether the
/// device could authenticate at all.
class BiometricsValidator {
public:
    using Completion = std::function<void(bool, std::optional<platform::Error>)>;

    /// Asks the context once whether the policy can be evaluated, as the
    /// system wants before the first prompt; the answer is not used.
    explicit BiometricsValidator(std::shared_ptr<platform::system::LAContext> context);

    const std::shared_ptr<platform::system::LAContext>& context() const { return context_; }

    /// Shows the system prompt with the localized "UNLOCK_SUBTITLE". The
    /// completion runs on the thread the system replies on (a worker thread),
    /// or at once on the caller's thread when the policy cannot be evaluated.
    void validate(Completion completion);

private:
    std::shared_ptr<platform::system::LAContext> context_;
};

/// The lock screen's message for a failure without a specific description:
/// the Touch ID, Face ID or passcode text of the biometry type.
std::string unableVerifyBiometricsDescription(platform::system::LABiometryType type);
/// The lock screen's message for an error that has one: the passcode text for
/// a device without passcode (-5); none otherwise.
std::optional<std::string> biometricsErrorDescription(const platform::Error& error);

} // namespace vellicor
