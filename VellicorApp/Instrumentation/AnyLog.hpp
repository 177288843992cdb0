#pragma once

#include "VellicorApp/Instrumentation/DeviceInfo.hpp"

#include "Platform/Foundation/Json.hpp"

#include <string>

namespace vellicor {

/// One log of an App Center document: its kind ("type"), the time
/// ("timestamp") and the device ("device"). Each kind adds its own keys to
/// the same flat JSON object, after these, by overriding encode().
class AnyLog {
public:
    AnyLog(std::string type, std::string timestamp, DeviceInfo device)
        : type(std::move(type)), timestamp(std::move(timestamp)), device(std::move(device)) {}
    virtual ~AnyLog() = default;

    /// Writes this log's keys into `container`, a JSON object.
    virtual void encode(platform::Json& container) const;
    /// The log as one JSON object.
    platform::Json json() const;

    std::string type;
    std::string timestamp;
    DeviceInfo device;
};

} // namespace vellicor
