#pragma once

#include "Platform/Export.hpp"

#include <optional>

namespace platform::system {

/// The permissions whose prompts a script answers ahead of time.
enum class PermissionKind { notifications, tracking };

/// How the device's owner answers a permission prompt.
enum class PermissionAnswer { allow, deny, restricted };

/// The answers the owner gives the permission prompts, set by a script before
/// the app asks: a prompt then answers at once with the preset, and without
/// one it answers "not granted". Presets are kept in the sandbox's Library
/// folder, so they hold across launches on one data folder; without a sandbox
/// they are kept in memory. Thread-safe.
class PLATFORM_EXPORT PermissionPresets {
public:
    static std::optional<PermissionAnswer> answer(PermissionKind kind);
    static void setAnswer(PermissionKind kind, std::optional<PermissionAnswer> answer);

    /// A value of the platform's own that is kept beside the presets (the
    /// tracking status the owner last gave); none when never set.
    static std::optional<long> storedValue(const char* key);
    static void setStoredValue(const char* key, long value);
};

} // namespace platform::system
