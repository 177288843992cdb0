#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Zentari/IDENTITY.hpp"
#include "Platform/SDKs/Zentari/PUSH.hpp"
#include "Platform/SDKs/Zentari/PushConfigBuilder.hpp"
#include "Platform/SDKs/Zentari/ZentariTypes.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace platform::zentari {

/// The SDK's configuration: the push module's settings and the completion of
/// its set-up.
struct PLATFORM_EXPORT SdkConfig {
    std::optional<PushConfig> push;
    std::function<void(OperationResult)> onPushCompletion;
};

/// Builds the SDK's configuration.
class PLATFORM_EXPORT ConfigBuilder {
public:
    ConfigBuilder& setPush(PushConfig config, std::function<void(OperationResult)> onCompletion);
    SdkConfig build() const { return config_; }

private:
    SdkConfig config_;
};

/// The marketing messaging SDK's entry: its set-up and its shared modules.
/// Thread-safe.
class PLATFORM_EXPORT VQZTSdk {
public:
    VQZTSdk() = delete;

    /// Sets the SDK up: with a push configuration, the push module registers
    /// the installation (see PUSH) and the completion hears how it went, on
    /// the main queue and never inside this call.
    static void initializeSdk(const SdkConfig& config);
    /// The push module.
    static const std::shared_ptr<PUSH>& mp();
    /// The identity module.
    static const std::shared_ptr<IDENTITY>& identity();

    /// How many set-ups were started (tests, scripts).
    static int initializeCount();
    /// Forgets every set-up, switch and delegate (tests).
    static void resetForTesting();
};

} // namespace platform::zentari
