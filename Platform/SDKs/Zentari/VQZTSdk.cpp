#include "Platform/SDKs/Zentari/VQZTSdk.hpp"

#include <atomic>

namespace platform::zentari {

namespace {

std::atomic<int>& initializations() {
    static std::atomic<int> count{0};
    return count;
}

} // namespace

ConfigBuilder& ConfigBuilder::setPush(PushConfig config, std::function<void(OperationResult)> onCompletion) {
    config_.push = std::move(config);
    config_.onPushCompletion = std::move(onCompletion);
    return *this;
}

void VQZTSdk::initializeSdk(const SdkConfig& config) {
    ++initializations();
    if (config.push) mp()->setUp(*config.push, config.onPushCompletion);
}

const std::shared_ptr<PUSH>& VQZTSdk::mp() {
    static const std::shared_ptr<PUSH> push(new PUSH());
    return push;
}

const std::shared_ptr<IDENTITY>& VQZTSdk::identity() {
    static const std::shared_ptr<IDENTITY> identity(new IDENTITY(mp()));
    return identity;
}

int VQZTSdk::initializeCount() { return initializations().load(); }

void VQZTSdk::resetForTesting() {
    initializations() = 0;
    mp()->resetForTesting();
    identity()->resetForTesting();
}

} // namespace platform::zentari
