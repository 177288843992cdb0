#pragma once

#include "Platform/Export.hpp"

#include <string_view>

namespace platform {

/// What runs right before platform::fatalError() aborts, with its message: a
/// crash reporter leaves its record there. It runs on the failing thread and
/// must return (no throw); the process aborts after it.
using BeforeAbortHook = void (*)(std::string_view message);

/// Replaces the hook (null: none). Thread-safe.
PLATFORM_EXPORT void setBeforeAbortHook(BeforeAbortHook hook);

} // namespace platform
