#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Error.hpp"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::system {

/// What an authentication must prove.
enum class LAPolicy : int {
    deviceOwnerAuthenticationWithBiometrics = 1,
    /// Biometrics, with the device passcode as fallback.
    deviceOwnerAuthentication = 2,
};

/// The biometric sensor of the device.
enum class LABiometryType : int { none = 0, touchID = 1, faceID = 2 };

/// The error domain and codes of local authentication.
inline constexpr const char* kLAErrorDomain = "com.apple.LocalAuthentication";
namespace LAError {
inline constexpr long authenticationFailed = -1;
inline constexpr long userCancel = -2;
inline constexpr long passcodeNotSet = -5;
} // namespace LAError

/// An error of the local-authentication domain with the platform's text.
PLATFORM_EXPORT Error makeLAError(long code);

/// The device's owner authentication as scripts and tests drive it: the
/// sensor, whether a passcode is set, and the prompts waiting for the owner.
/// A prompt's reply runs on a worker thread, as the system's does.
/// Thread-safe; replies are called outside the lock.
class PLATFORM_EXPORT LocalAuthentication {
public:
    /// The outcome the owner gives a prompt.
    enum class Outcome { accept, fail, cancel };
    using Reply = std::function<void(bool success, std::optional<Error> error)>;

    static LocalAuthentication& shared();

    LABiometryType biometryType() const;
    void setBiometryType(LABiometryType type);
    bool isPasscodeSet() const;
    void setPasscodeSet(bool set);

    /// Reasons of the prompts not yet answered, oldest first.
    std::vector<std::string> pendingReasons() const;
    std::size_t pendingCount() const;
    /// Answers the oldest prompt; false when none waits. The reply runs on a
    /// worker thread: (true, none), (false, -1) or (false, -2).
    bool respond(Outcome outcome);

    /// Face ID, passcode set, no prompt (between tests).
    void reset();

    /// Queues a prompt (called by LAContext).
    void addPrompt(std::string reason, Reply reply);

private:
    LocalAuthentication() = default;

    struct Prompt {
        std::string reason;
        Reply reply;
    };

    mutable std::mutex mutex_;
    LABiometryType biometryType_ = LABiometryType::faceID;
    bool passcodeSet_ = true;
    std::vector<Prompt> prompts_;
};

/// One authentication context, as an app makes one per attempt. Its
/// biometryType() is none until canEvaluatePolicy() has run.
class PLATFORM_EXPORT LAContext {
public:
    static std::shared_ptr<LAContext> create();

    /// Whether the policy can be evaluated on this device: it needs a passcode
    /// (error -5 without one); unknown policies give error -1.
    bool canEvaluatePolicy(LAPolicy policy, std::optional<Error>* error = nullptr);
    LABiometryType biometryType() const;
    /// Shows the system prompt with the reason; the reply comes on a worker
    /// thread once the owner answers, or at once (still on a worker thread)
    /// with error -5 when the device has no passcode.
    void evaluatePolicy(LAPolicy policy, const std::string& localizedReason, LocalAuthentication::Reply reply);

private:
    LAContext() = default;
    mutable std::mutex mutex_;
    LABiometryType biometryType_ = LABiometryType::none;
};

} // namespace platform::system
