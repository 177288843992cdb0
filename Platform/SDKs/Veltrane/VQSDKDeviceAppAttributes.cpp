#include "Platform/SDKs/Veltrane/VQSDKDeviceAppAttributes.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <cstdint>
#include <mutex>

namespace platform::veltrane {

namespace {

constexpr const char* kDeviceService = "VeltraneSDK.Device";
constexpr const char* kDeviceIdAccount = "deviceId";

struct DeviceIdCache {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::optional<std::string> id;
};

DeviceIdCache& cache() {
    static auto* c = new DeviceIdCache;
    return *c;
}

} // namespace

std::string VQSDKDeviceAppAttributes::installDeviceId() {
    auto& c = cache();
    std::lock_guard lock(c.mutex);
    if (c.id && c.generation == Sandbox::generation()) return *c.id;
    c.generation = Sandbox::generation();
    if (auto stored = KeychainHelper::read(kDeviceService, kDeviceIdAccount)) {
        if (auto text = utf8String(*stored); text && Uuid::fromString(*text)) {
            c.id = *text;
            return *c.id;
        }
    }
    c.id = Uuid::random().uuidString();
    if (auto kept = KeychainHelper::write(kDeviceService, kDeviceIdAccount, dataFromString(*c.id)); !kept) {
        VQSDKLogger::sharedInstanceWithComponent(kVQAnalyticsComponentName)
            ->e("VQSDKDeviceAppAttributes", "The device id cannot be kept: " + kept.error().localizedDescription());
    }
    return *c.id;
}

VQSDKDeviceAppAttributes VQSDKDeviceAppAttributes::current() {
    VQSDKDeviceAppAttributes attributes;
    const auto bundle = Bundle::main();
    attributes.appName = VeltraneSDKManager::appName();
    attributes.appVersion = bundle->shortVersion().value_or("");
    attributes.appBuild = bundle->buildVersion().value_or("");
    attributes.systemName = UIDevice::systemName();
    attributes.systemVersion = UIDevice::systemVersion();
    attributes.hardware = UIDevice::platformString();
    attributes.installId = installDeviceId();
    attributes.sdkVersion = kVeltraneSDKVersion;
    attributes.appType = "Native";
    if (auto manager = VeltraneSDKManager::sharedManagerIfAny()) {
        attributes.appType = manager->appType();
        if (auto config = manager->appConfig()) attributes.oauthClientId = config->remoteAccessConsumerKey();
    }
    return attributes;
}

Json VQSDKDeviceAppAttributes::jsonRepresentation() const {
    Json json = {{"appName", appName},       {"appVersion", appVersion},       {"appBuild", appBuild},
                 {"systemName", systemName}, {"systemVersion", systemVersion}, {"hardware", hardware},
                 {"installId", installId},   {"appType", appType},             {"sdkVersion", sdkVersion}};
    if (oauthClientId) json["oauthClientId"] = *oauthClientId;
    return json;
}

} // namespace platform::veltrane
