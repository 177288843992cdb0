#pragma once

#include "Platform/Export.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::veltrane {

class VQSDKLogger;

/// The kind of one log message; a logger's level is a mask of these flags.
enum class VQLogFlag : std::uint32_t {
    error = 1u << 0,
    warning = 1u << 1,
    info = 1u << 2,
    debug = 1u << 3,
    verbose = 1u << 4,
};

/// Log levels: each level passes its own kind of message and every more
/// severe kind, so a message passes when its flag is in the level's mask.
///
///   value  level    passes
///   0      off      nothing
///   1      error    error
///   3      warning  error, warning
///   7      info     error, warning, info
///   15     debug    error, warning, info, debug
///   31     verbose  everything
namespace VQLogLevel {
inline constexpr std::uint32_t off = 0;
inline constexpr std::uint32_t error = 1;
inline constexpr std::uint32_t warning = 3;
inline constexpr std::uint32_t info = 7;
inline constexpr std::uint32_t debug = 15;
inline constexpr std::uint32_t verbose = 31;
} // namespace VQLogLevel

/// Whether a logger at `level` passes a message of kind `flag`.
inline bool vqLogLevelPasses(std::uint32_t level, VQLogFlag flag) {
    return (level & static_cast<std::uint32_t>(flag)) != 0;
}

/// The SDK's logging entry point: the registry of component loggers. Every
/// component name has exactly one logger for the life of the process; the
/// logger of a new name is made by the instance class (VQSDKLogger unless the
/// app chose a subclass of it with setInstanceClass). Thread-safe.
class PLATFORM_EXPORT VQLogger {
public:
    using InstanceFactory = std::function<std::shared_ptr<VQSDKLogger>(const std::string& componentName)>;

    /// Chooses the class that makes the loggers of names not seen yet; loggers
    /// made earlier stay as they are. A null factory restores VQSDKLogger.
    static void setInstanceClass(InstanceFactory factory);
    /// The same for a subclass of VQSDKLogger that has `static create(name)`.
    template <class Logger>
    static void setInstanceClass() {
        setInstanceClass([](const std::string& name) -> std::shared_ptr<VQSDKLogger> { return Logger::create(name); });
    }

    /// The SDK's default logger (component kVQDefaultComponentName).
    static std::shared_ptr<VQSDKLogger> sharedInstance();
    /// The logger of a component; the same name always gives the same object.
    static std::shared_ptr<VQSDKLogger> sharedInstanceWithComponent(const std::string& componentName);
    /// The names that have a logger, sorted.
    static std::vector<std::string> componentNames();
};

} // namespace platform::veltrane
