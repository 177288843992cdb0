#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQLogger.hpp"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {

/// The SDK's component names. Each component logs to its own file.
inline constexpr const char* kVQDefaultComponentName = "VeltraneSDK";
inline constexpr const char* kVQAnalyticsComponentName = "VeltraneAnalytics";
inline constexpr const char* kVQCoreComponentName = "VeltraneSDKCore";
inline constexpr const char* kVQOfflineStoreComponentName = "VeltraneOfflineStore";
inline constexpr const char* kVQDataSyncComponentName = "VeltraneDataSync";
inline constexpr const char* kVQHybridComponentName = "VeltraneHybrid";

/// The log file of one component: the foundation's log sink file
/// (Library/Caches/Logs/<component>.log in the sandbox).
class PLATFORM_EXPORT VQSDKFileLogger {
public:
    explicit VQSDKFileLogger(std::string componentName) : componentName_(std::move(componentName)) {}

    /// The whole current log file; none when the component has logged nothing
    /// in this sandbox yet (or the file cannot be read).
    std::optional<std::string> readFile() const;
    std::filesystem::path logFilePath() const;
    const std::string& componentName() const { return componentName_; }

private:
    std::string componentName_;
};

/// A component logger. Lines that pass the level go to the component's log
/// file as "[<class>] <message>" after the sink's time stamp and level.
/// Loggers come from VQLogger's registry; `create` is for the registry and for
/// subclasses. Thread-safe.
class PLATFORM_EXPORT VQSDKLogger : public std::enable_shared_from_this<VQSDKLogger> {
public:
    /// A new, unregistered logger (the registry calls it for new names).
    static std::shared_ptr<VQSDKLogger> create(const std::string& componentName);
    virtual ~VQSDKLogger();

    /// The default logger and the per-component loggers (see VQLogger).
    static std::shared_ptr<VQSDKLogger> sharedInstance();
    static std::shared_ptr<VQSDKLogger> sharedInstanceWithComponent(const std::string& componentName);

    /// The level a new logger starts at.
    static constexpr std::uint32_t kDefaultLogLevel = VQLogLevel::debug;

    const std::string& componentName() const { return componentName_; }
    std::uint32_t logLevel() const { return level_.load(); }
    /// Sets the level mask (see VQLogLevel: 7 passes error, warning and info).
    void setLogLevel(std::uint32_t level) { level_.store(level); }
    bool passes(VQLogFlag flag) const { return vqLogLevelPasses(logLevel(), flag); }

    /// Logs at error, warning, info, debug and verbose level; `className` is
    /// the reporting type.
    void e(std::string_view className, std::string_view message) { log(VQLogFlag::error, className, message); }
    void w(std::string_view className, std::string_view message) { log(VQLogFlag::warning, className, message); }
    void i(std::string_view className, std::string_view message) { log(VQLogFlag::info, className, message); }
    void d(std::string_view className, std::string_view message) { log(VQLogFlag::debug, className, message); }
    void v(std::string_view className, std::string_view message) { log(VQLogFlag::verbose, className, message); }

    /// Writes the line when the level passes `flag`.
    void log(VQLogFlag flag, std::string_view className, std::string_view message);

    std::shared_ptr<VQSDKFileLogger> fileLogger() const { return fileLogger_; }

protected:
    explicit VQSDKLogger(std::string componentName);
    /// Writes a line that passed the level; subclasses may send it elsewhere too.
    virtual void writeLine(VQLogFlag flag, std::string_view className, std::string_view message);

private:
    std::string componentName_;
    std::atomic<std::uint32_t> level_{kDefaultLogLevel};
    std::shared_ptr<VQSDKFileLogger> fileLogger_;
};

} // namespace platform::veltrane
