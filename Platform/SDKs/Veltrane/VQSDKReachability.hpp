#pragma once

#include "Platform/Export.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace platform::veltrane {

/// How the internet can be reached.
enum class VQSDKNetworkStatus : int {
    notReachable = 0,
    reachableViaWiFi = 1,
    reachableViaWWAN = 2, // the cellular network
};

/// Posted on the default notification centre, with the reachability object as
/// sender, when a started notifier sees its status change.
inline constexpr const char* kVQSDKReachabilityChangedNotification = "kVQSDKReachabilityChangedNotification";

/// The reachability of the internet. The status follows the process-wide
/// network switch (platform::Reachability: offline is notReachable) and, while
/// online, the interface the device uses (Wi-Fi unless setActiveInterface
/// chose the cellular network).
///
/// A started notifier watches both and posts kVQSDKReachabilityChangedNotification
/// each time its status changes (not for a change that leaves the status as
/// it was). The notification is posted on the main thread: at once when the
/// change happens there, otherwise on the main queue.
class PLATFORM_EXPORT VQSDKReachability : public std::enable_shared_from_this<VQSDKReachability> {
public:
    /// A new reachability object for the internet connection.
    static std::shared_ptr<VQSDKReachability> reachabilityForInternetConnection();
    ~VQSDKReachability();
    VQSDKReachability(const VQSDKReachability&) = delete;
    VQSDKReachability& operator=(const VQSDKReachability&) = delete;

    VQSDKNetworkStatus currentReachabilityStatus() const;
    bool isReachable() const { return currentReachabilityStatus() != VQSDKNetworkStatus::notReachable; }

    /// Starts watching; returns true (also when already started).
    bool startNotifier();
    void stopNotifier();
    bool isNotifierRunning() const;

    /// The interface the device uses while online: reachableViaWiFi or
    /// reachableViaWWAN (notReachable is ignored: going offline is the network switch's job).
    static void setActiveInterface(VQSDKNetworkStatus interface);
    static VQSDKNetworkStatus activeInterface();
    /// Back to Wi-Fi.
    static void resetForTesting();

private:
    VQSDKReachability() = default;
    void statusMayHaveChanged();
    void post();

    mutable std::mutex mutex_;
    bool running_ = false;
    std::optional<std::uint64_t> switchToken_;
    std::optional<std::uint64_t> interfaceToken_;
    VQSDKNetworkStatus lastStatus_ = VQSDKNetworkStatus::notReachable;
};

} // namespace platform::veltrane
