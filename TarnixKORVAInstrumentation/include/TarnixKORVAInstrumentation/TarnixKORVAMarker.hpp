#pragma once

#include "TarnixKORVAInstrumentation/Export.hpp"

#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tarnix {

/// The data of one plug-in instrumentation event: its name (the plug-in
/// identifier), start and end in milliseconds since 1970 (0 until set) and
/// its attributes. Used by one thread at a time.
class TARNIX_KORVA_INSTRUMENTATION_EXPORT TarnixKORVAMarker {
public:
    /// A marker named by the plug-in with the attributes "plugin_version",
    /// "task_name" and "message" (the message, or "" without one). Extra
    /// attributes (a JSON object) are merged in; on a key both have, the
    /// marker's own value stays.
    static std::shared_ptr<TarnixKORVAMarker> create(const std::string& pluginId, const std::string& pluginVersion,
                                                     const std::string& taskName,
                                                     const std::optional<std::string>& message,
                                                     const std::optional<platform::Json>& attributes);

    const std::string& name() const { return name_; }
    std::int64_t startTime() const { return startTime_; }
    std::int64_t endTime() const { return endTime_; }
    /// A JSON object.
    const platform::Json& attributes() const { return attributes_; }

    /// Sets the start time to now.
    void start();
    /// Sets the end time to now and replaces "message" with the failure's
    /// description ("" without one). The barcode scanner gets "barcode_type"
    /// (the string in the results, else ""); the calendar, contacts, document
    /// scanner, geofencing and NFC plug-ins get "item_count" (the count in the
    /// results as an unsigned 32-bit number, else 0); other plug-ins get
    /// nothing more.
    void stop(const std::optional<platform::Json>& taskResults, const TarnixPluginFailure* failure);

private:
    TarnixKORVAMarker(const std::string& pluginId, const std::string& pluginVersion, const std::string& taskName,
                      const std::optional<std::string>& message, const std::optional<platform::Json>& attributes);

    std::string name_;
    std::int64_t startTime_ = 0;
    std::int64_t endTime_ = 0;
    platform::Json attributes_;
};

} // namespace tarnix
