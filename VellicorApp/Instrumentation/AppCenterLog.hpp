#pragma once

#include "VellicorApp/Instrumentation/AnyLog.hpp"

#include "Platform/Foundation/Json.hpp"

#include <memory>
#include <vector>

namespace vellicor {

/// The document of a log upload: {"logs": [...]}, each log encoded by its own
/// kind. Keys are looked up by name; their order in the text is not fixed.
struct AppCenterLog {
    std::vector<std::shared_ptr<const AnyLog>> logs;

    platform::Json json() const;
};

} // namespace vellicor
