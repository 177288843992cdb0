#pragma once

#include "TarnixPlatformClient/Export.hpp"
#include "TarnixPlatformClient/TarnixLogLevel.hpp"
#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Json.hpp"

#include <optional>
#include <string>

namespace tarnix {

/// What a plug-in reports to: its log lines and the start and end of its
/// tasks. A task is identified by plug-in id, plug-in version and task name;
/// a start and an end are matched on those three. An implementation must
/// accept calls from any thread.
class TARNIX_PLATFORM_CLIENT_EXPORT TarnixLogger {
public:
    virtual ~TarnixLogger();

    virtual TarnixLogLevel currentLogLevel() const = 0;
    virtual void setCurrentLogLevel(TarnixLogLevel level) = 0;

    /// One log line of a plug-in task.
    virtual void log(const std::string& pluginId, const std::string& pluginVersion, const std::string& taskName,
                     const std::string& message, TarnixLogLevel level) = 0;
    /// A task of a plug-in begins.
    virtual void tarnixTaskStarted(const std::string& pluginId, const std::string& pluginVersion,
                                   const std::string& taskName) = 0;
    /// The task ends, with its results (a JSON object), if any, and its
    /// failure, if any (borrowed for the call only).
    virtual void tarnixTaskEnded(const std::string& pluginId, const std::string& pluginVersion,
                                 const std::string& taskName, const std::optional<platform::Json>& taskResults,
                                 const TarnixPluginFailure* failure) = 0;
};

} // namespace tarnix
