#pragma once

#include "TarnixKORVAInstrumentation/Export.hpp"
#include "TarnixKORVAInstrumentation/TarnixKORVAMarker.hpp"

#include "TarnixPlatformClient/TarnixLogger.hpp"

#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace tarnix {

/// The plug-in logger that turns log lines and finished tasks into KORVA
/// instrumentation events in the SDK's event store. Events are built on the
/// caller's thread and stored later on the background global queue, one work
/// item per event. Callable from any thread.
class TARNIX_KORVA_INSTRUMENTATION_EXPORT TarnixKORVALogger : public TarnixLogger {
public:
    using AnalyticsManager = platform::veltrane::VQSDKVeltraneAnalyticsManager;

    /// Without an analytics manager nothing is recorded (tasks still open).
    static std::shared_ptr<TarnixKORVALogger> create(std::shared_ptr<AnalyticsManager> analyticsManager,
                                                     TarnixLogLevel level);

    TarnixLogLevel currentLogLevel() const override { return currentLogLevel_; }
    void setCurrentLogLevel(TarnixLogLevel level) override { currentLogLevel_ = level; }

    /// The analytics manager whose event store receives the events. Set at
    /// creation; not guarded, so not to be changed while in use.
    virtual std::shared_ptr<AnalyticsManager> analyticsManager() const { return analyticsManager_; }
    virtual void setAnalyticsManager(std::shared_ptr<AnalyticsManager> manager) { analyticsManager_ = std::move(manager); }

    /// Records a log event when there is a manager and the line's level is
    /// not more verbose than the current level.
    void log(const std::string& pluginId, const std::string& pluginVersion, const std::string& taskName,
             const std::string& message, TarnixLogLevel level) override;
    /// Opens a marker for the task, replacing one already open for it.
    void tarnixTaskStarted(const std::string& pluginId, const std::string& pluginVersion,
                           const std::string& taskName) override;
    /// Closes the task's marker and records its activity event; nothing when
    /// the task is not open or there is no manager.
    void tarnixTaskEnded(const std::string& pluginId, const std::string& pluginVersion, const std::string& taskName,
                         const std::optional<platform::Json>& taskResults,
                         const TarnixPluginFailure* failure) override;

protected:
    TarnixKORVALogger(std::shared_ptr<AnalyticsManager> analyticsManager, TarnixLogLevel level);

private:
    TarnixLogLevel currentLogLevel_;
    std::shared_ptr<AnalyticsManager> analyticsManager_;
    /// The open tasks by task key ("<id>_<version>_<task>"); guarded by markersLock_.
    std::unordered_map<std::string, std::shared_ptr<TarnixKORVAMarker>> markers_;
    std::mutex markersLock_;
};

} // namespace tarnix
