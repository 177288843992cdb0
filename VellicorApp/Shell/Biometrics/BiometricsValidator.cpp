#include "VellicorApp/Shell/Biometrics/BiometricsValidator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

namespace vellicor {

using platform::system::LABiometryType;
using platform::system::LAPolicy;

namespace {

void logMarker(bool granted, LABiometryType type, bool capable) {
    AppContext::current()->korvaMarkerCenter->logInteraction(
        KORVAMarkerName::biometric, platform::Json{{"isAccessGranted", granted},
                                                   {"biometryType", static_cast<int>(type)},
                                                   {"isAuthenticationCapabilityEnabled", capable}});
}

} // namespace

BiometricsValidator::BiometricsValidator(std::shared_ptr<platform::system::LAContext> context)
    : context_(std::move(context)) {
    (void)context_->canEvaluatePolicy(LAPolicy::deviceOwnerAuthentication);
}

void BiometricsValidator::validate(Completion completion) {
    std::optional<platform::Error> policyError;
    if (!context_->canEvaluatePolicy(LAPolicy::deviceOwnerAuthentication, &policyError)) {
        logMarker(false, context_->biometryType(), false);
        completion(false, policyError);
        return;
    }
    context_->evaluatePolicy(
        LAPolicy::deviceOwnerAuthentication, localized("UNLOCK_SUBTITLE", "Authenticate to unlock"),
        [context = context_, completion = std::move(completion)](bool success, std::optional<platform::Error> error) {
            logMarker(success, context->biometryType(), true);
            completion(success, std::move(error));
        });
}

std::string unableVerifyBiometricsDescription(LABiometryType type) {
    switch (type) {
    case LABiometryType::touchID: return localized("UNABLE_VERIFY_TOUCH_ID", "Touch ID");
    case LABiometryType::faceID: return localized("UNABLE_VERIFY_FACE_ID", "Face ID");
    case LABiometryType::none: break;
    }
    return localized("UNABLE_VERIFY", "PASSCODE");
}

std::optional<std::string> biometricsErrorDescription(const platform::Error& error) {
    if (error.code != platform::system::LAError::passcodeNotSet) return std::nullopt;
    return localized("PASSCODE_NOT_SET",
                     "To use this app, enable a passcode in your device’s settings and try again.");
}

} // namespace vellicor
