#include "VellicorApp/Push/ZentariSDKManaging.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/SDKs/Zentari/VQZTSdk.hpp"

namespace vellicor {

namespace {

// The SDK's answers are logged for the marketing push manager, their reader.
constexpr const char* kLogType = "ZentariPushManager";

} // namespace

platform::Error zentariBuildConfigError() {
    return platform::Error(
        "OTHER", 400,
        platform::Json{{std::string(platform::kLocalizedDescriptionKey),
                        localized("ZENTARI_BUILD_CONFIG_FAILED", "Failed to configure Zentari SDK build configuration")}});
}

std::shared_ptr<ZentariSDKAdapter> ZentariSDKAdapter::create(std::shared_ptr<platform::zentari::PUSH> push) {
    return std::shared_ptr<ZentariSDKAdapter>(new ZentariSDKAdapter(std::move(push)));
}

std::optional<platform::Error> ZentariSDKAdapter::initialize(const ZentariPushProvisioningInfo& entry,
                                                             Completion completion) {
    auto serverUrl = platform::Url::parse(entry.appEndPoint);
    if (!serverUrl || !serverUrl->scheme()) return zentariBuildConfigError();

    const auto pushConfig = platform::zentari::PushConfigBuilder(entry.appID)
                                .setAccessToken(entry.accessToken)
                                .setZentariServerUrl(std::move(*serverUrl))
                                .setMid(entry.mid)
                                .setInboxEnabled(entry.inbox)
                                .setLocationEnabled(entry.location)
                                .setApplicationControlsBadging(entry.applicationControlsBadging)
                                .setDelayRegistrationUntilContactKeyIsSet(entry.delayRegistrationUntilContactKeyIsSet)
                                .setAnalyticsEnabled(true)
                                .build();
    std::weak_ptr<ZentariSDKAdapter> weakSelf = weak_from_this();
    const auto config = platform::zentari::ConfigBuilder()
                            .setPush(pushConfig,
                                     [weakSelf, completion = std::move(completion)](platform::zentari::OperationResult result) {
                                         // Log text read by support tooling; keep verbatim.
                                         Logger::info("SDK result = " + platform::zentari::description(result), kLogType);
                                         if (const auto self = weakSelf.lock()) self->enablePush();
                                         // Every result counts as done: the caller hears no error.
                                         if (completion) completion(std::nullopt);
                                     })
                            .build();
    platform::zentari::VQZTSdk::initializeSdk(config);
    return std::nullopt;
}

void ZentariSDKAdapter::setProfileId(const std::string& id) { platform::zentari::VQZTSdk::identity()->setProfileId(id); }

void ZentariSDKAdapter::refresh() {
    push_->refresh([](platform::zentari::BackgroundFetchResult result) {
        // Log text read by support tooling; keep verbatim.
        Logger::info("Zentari background refresh triggered with request " + platform::zentari::description(result) + ".",
                     kLogType);
    });
}

} // namespace vellicor
