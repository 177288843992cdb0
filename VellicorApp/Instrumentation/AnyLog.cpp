#include "VellicorApp/Instrumentation/AnyLog.hpp"

namespace vellicor {

void AnyLog::encode(platform::Json& container) const {
    container["type"] = type;
    container["timestamp"] = timestamp;
    container["device"] = device.json();
}

platform::Json AnyLog::json() const {
    auto object = platform::Json::object();
    encode(object);
    return object;
}

} // namespace vellicor
