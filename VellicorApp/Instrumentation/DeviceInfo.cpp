#include "VellicorApp/Instrumentation/DeviceInfo.hpp"

#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <array>

namespace vellicor {

namespace {

// The fields in their order, by JSON key.
constexpr std::array<std::pair<const char*, std::string DeviceInfo::*>, 8> kFields = {{
    {"appVersion", &DeviceInfo::appVersion},
    {"appBuild", &DeviceInfo::appBuild},
    {"sdkName", &DeviceInfo::sdkName},
    {"sdkVersion", &DeviceInfo::sdkVersion},
    {"osName", &DeviceInfo::osName},
    {"osVersion", &DeviceInfo::osVersion},
    {"model", &DeviceInfo::model},
    {"locale", &DeviceInfo::locale},
}};

} // namespace

DeviceInfo DeviceInfo::current() {
    const auto attributes = platform::veltrane::VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes();
    const auto languages = platform::veltrane::UIDevice::preferredLanguages();
    return DeviceInfo{
        .appVersion = attributes.appVersion,
        .appBuild = attributes.appVersion,
        .sdkName = "appcenter.ios",
        .sdkVersion = platform::appcenter::MSACAppCenter::sdkVersion(),
        .osName = attributes.systemName,
        .osVersion = attributes.systemVersion,
        .model = attributes.hardware,
        .locale = languages.empty() ? std::string() : languages.front(),
    };
}

platform::Json DeviceInfo::json() const {
    auto object = platform::Json::object();
    for (const auto& [key, field] : kFields) object[key] = this->*field;
    return object;
}

} // namespace vellicor
