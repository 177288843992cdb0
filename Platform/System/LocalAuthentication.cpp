#include "Platform/System/LocalAuthentication.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/ScreenDump.hpp"

namespace platform::system {

namespace {

void replyOnWorker(LocalAuthentication::Reply reply, bool success, std::optional<Error> error) {
    if (!reply) return;
    // Counted as work in flight so that scripted runs wait for the reply to
    // reach the main queue before the next event.
    BackgroundActivity::begin();
    DispatchQueue::global(QoS::userInitiated)->async([reply = std::move(reply), success, error = std::move(error)] {
        reply(success, error);
        BackgroundActivity::end();
    });
}

std::string laErrorText(long code) {
    switch (code) {
    case LAError::authenticationFailed: return "Application retry limit exceeded.";
    case LAError::userCancel: return "Canceled by user.";
    case LAError::passcodeNotSet: return "Passcode not set.";
    default: return "Authentication failed.";
    }
}

} // namespace

Error makeLAError(long code) {
    return Error(kLAErrorDomain, code, {{std::string(kLocalizedDescriptionKey), laErrorText(code)}});
}

LocalAuthentication& LocalAuthentication::shared() {
    static LocalAuthentication& instance = [] () -> LocalAuthentication& {
        static LocalAuthentication device;
        // The system prompt floats above every window; the screen dump shows
        // the oldest waiting one.
        platform::ui::ScreenDump::addOverlayProvider([] {
            std::vector<std::string> lines;
            const auto reasons = device.pendingReasons();
            if (!reasons.empty()) lines.push_back("Authentication prompt \"" + reasons.front() + "\"");
            return lines;
        });
        return device;
    }();
    return instance;
}

LABiometryType LocalAuthentication::biometryType() const {
    std::lock_guard lock(mutex_);
    return biometryType_;
}

void LocalAuthentication::setBiometryType(LABiometryType type) {
    std::lock_guard lock(mutex_);
    biometryType_ = type;
}

bool LocalAuthentication::isPasscodeSet() const {
    std::lock_guard lock(mutex_);
    return passcodeSet_;
}

void LocalAuthentication::setPasscodeSet(bool set) {
    std::lock_guard lock(mutex_);
    passcodeSet_ = set;
}

std::vector<std::string> LocalAuthentication::pendingReasons() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> reasons;
    for (const auto& prompt : prompts_) reasons.push_back(prompt.reason);
    return reasons;
}

std::size_t LocalAuthentication::pendingCount() const {
    std::lock_guard lock(mutex_);
    return prompts_.size();
}

bool LocalAuthentication::respond(Outcome outcome) {
    Prompt prompt;
    {
        std::lock_guard lock(mutex_);
        if (prompts_.empty()) return false;
        prompt = std::move(prompts_.front());
        prompts_.erase(prompts_.begin());
    }
    switch (outcome) {
    case Outcome::accept: replyOnWorker(std::move(prompt.reply), true, std::nullopt); break;
    case Outcome::fail: replyOnWorker(std::move(prompt.reply), false, makeLAError(LAError::authenticationFailed)); break;
    case Outcome::cancel: replyOnWorker(std::move(prompt.reply), false, makeLAError(LAError::userCancel)); break;
    }
    return true;
}

void LocalAuthentication::reset() {
    std::vector<Prompt> dropped;
    {
        std::lock_guard lock(mutex_);
        biometryType_ = LABiometryType::faceID;
        passcodeSet_ = true;
        dropped.swap(prompts_);
    }
    // The replies are destroyed here, outside the lock: they may own objects
    // whose destructors reach back into this class.
}

void LocalAuthentication::addPrompt(std::string reason, Reply reply) {
    std::lock_guard lock(mutex_);
    prompts_.push_back(Prompt{std::move(reason), std::move(reply)});
}

std::shared_ptr<LAContext> LAContext::create() { return std::shared_ptr<LAContext>(new LAContext()); }

bool LAContext::canEvaluatePolicy(LAPolicy policy, std::optional<Error>* error) {
    auto& device = LocalAuthentication::shared();
    {
        std::lock_guard lock(mutex_);
        biometryType_ = device.biometryType();
    }
    std::optional<Error> failure;
    if (policy != LAPolicy::deviceOwnerAuthentication &&
        policy != LAPolicy::deviceOwnerAuthenticationWithBiometrics) {
        failure = makeLAError(LAError::authenticationFailed);
    } else if (!device.isPasscodeSet()) {
        failure = makeLAError(LAError::passcodeNotSet);
    }
    if (error) *error = failure;
    return !failure;
}

LABiometryType LAContext::biometryType() const {
    std::lock_guard lock(mutex_);
    return biometryType_;
}

void LAContext::evaluatePolicy(LAPolicy policy, const std::string& localizedReason, LocalAuthentication::Reply reply) {
    std::optional<Error> error;
    if (!canEvaluatePolicy(policy, &error)) {
        replyOnWorker(std::move(reply), false, std::move(error));
        return;
    }
    LocalAuthentication::shared().addPrompt(localizedReason, std::move(reply));
}

} // namespace platform::system
