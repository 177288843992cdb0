#pragma once

#include "Platform/Foundation/Json.hpp"

#include <string>

namespace vellicor {

/// The device and app as a log of the App Center document describes them.
/// Every key of its JSON object equals the field's name.
struct DeviceInfo {
    std::string appVersion;
    /// The same text as appVersion: no separate build number is sent.
    std::string appBuild;
    /// Always "appcenter.ios".
    std::string sdkName;
    std::string sdkVersion;
    std::string osName;
    std::string osVersion;
    std::string model;
    /// The first of the device's preferred languages ("en-US"); empty without one.
    std::string locale;

    /// The device now: the SDK's device and app attributes, the App Center
    /// SDK's version and the preferred languages.
    static DeviceInfo current();

    platform::Json json() const;

    bool operator==(const DeviceInfo&) const = default;
};

} // namespace vellicor
