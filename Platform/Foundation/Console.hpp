#pragma once

#include "Platform/Export.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// The platform's own console: warnings the frameworks print (a presentation
/// refused, a constraint conflict...). Lines go to standard error (unless
/// muted) and are kept in memory so tests and scripted runs can check them.
class PLATFORM_EXPORT Console {
public:
    static void log(std::string_view line);
    /// Every line logged since the last clear.
    static std::vector<std::string> lines();
    static bool contains(std::string_view text);
    static void clear();
    /// Stops echoing to standard error (the lines are still kept).
    static void setMuted(bool muted);
};

} // namespace platform
