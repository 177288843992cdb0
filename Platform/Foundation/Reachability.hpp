#pragma once

#include "Platform/Export.hpp"

#include <cstdint>
#include <functional>

namespace platform {

/// The process-wide network switch. While it is off ("offline") every URL
/// request fails at once with URLError::notConnectedToInternet, and transfers
/// under way are ended with that error. The device's reachability monitor
/// reads and drives it; tests flip it to simulate a lost connection.
class PLATFORM_EXPORT Reachability {
public:
    using Observer = std::function<void(bool offline)>;

    static bool isOffline();
    /// Changes the switch; observers hear of real changes only, on the caller's thread.
    static void setOffline(bool offline);

    /// Registers an observer of changes; returns a token for removeObserver.
    static std::uint64_t addObserver(Observer observer);
    static void removeObserver(std::uint64_t token);
};

} // namespace platform
