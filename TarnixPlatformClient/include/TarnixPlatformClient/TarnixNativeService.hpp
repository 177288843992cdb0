#pragma once

#include "TarnixPlatformClient/EnablementCheckResult.hpp"
#include "TarnixPlatformClient/Export.hpp"
#include "TarnixPlatformClient/TarnixLogLevel.hpp"
#include "TarnixPlatformClient/TarnixLogger.hpp"
#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Json.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

/// The keys a caller puts into the context of an enablement check.
struct EnablementCheckContext {
    static constexpr std::string_view PluginTaskName = "PluginTaskName";
    static constexpr std::string_view PluginFeatureName = "PluginFeatureName";
};

/// What a native plug-in service adopts: it says whether it is enabled for a
/// task and reports its log lines and task start and end to the logger it was
/// given. The non-virtual operations are shared by every service.
class TARNIX_PLATFORM_CLIENT_EXPORT TarnixNativeService {
public:
    using EnablementCompletion = std::function<void(EnablementCheckResult)>;
    /// Takes the check context (a JSON object, or none) and a completion; may
    /// answer at once or later, on any thread, or throw instead of answering.
    using EnablementCheck =
        std::function<void(const std::optional<platform::Json>& context, EnablementCompletion completion)>;

    virtual ~TarnixNativeService();

    /// The plug-in's identifier (see TarnixLoggerUtils::PluginIdMap).
    virtual std::string pluginId() const = 0;
    virtual std::string pluginVersion() const = 0;
    /// The enablement check; an empty function when the service has none.
    virtual EnablementCheck enablementCheck() const = 0;
    virtual void setEnablementCheck(EnablementCheck check) = 0;
    virtual std::shared_ptr<TarnixLogger> loggerDelegate() const = 0;
    virtual void setLoggerDelegate(std::shared_ptr<TarnixLogger> logger) = 0;

    /// Runs the enablement check on the default global queue and blocks the
    /// caller until it answers (there is no time-out). Without a check: enabled,
    /// at once. A check that throws: not enabled, kind unexpected. Only the
    /// first answer counts; later answers, and a throw after an answer, are
    /// ignored. The check must not need the calling thread in order to answer.
    EnablementCheckResult serviceIsEnabled(const std::optional<platform::Json>& context) const;

    /// Hand a log line, a task start or a task end to the logger with this
    /// service's id and version; without a logger they do nothing (and read
    /// neither id nor version).
    void log(const std::string& taskName, const std::string& message, TarnixLogLevel level) const;
    void tarnixTaskStarted(const std::string& taskName) const;
    void tarnixTaskEnded(const std::string& taskName, const std::optional<platform::Json>& taskResults,
                         const TarnixPluginFailure* failure) const;
};

} // namespace tarnix
