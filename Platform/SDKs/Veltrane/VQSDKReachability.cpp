#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Reachability.hpp"

#include <functional>
#include <map>
#include <vector>

namespace platform::veltrane {

namespace {

struct InterfaceState {
    std::mutex mutex;
    VQSDKNetworkStatus interface = VQSDKNetworkStatus::reachableViaWiFi;
    std::map<std::uint64_t, std::function<void()>> observers;
    std::uint64_t nextToken = 1;
};

InterfaceState& interfaceState() {
    static auto* s = new InterfaceState;
    return *s;
}

std::uint64_t addInterfaceObserver(std::function<void()> observer) {
    auto& s = interfaceState();
    std::lock_guard lock(s.mutex);
    const auto token = s.nextToken++;
    s.observers.emplace(token, std::move(observer));
    return token;
}

void removeInterfaceObserver(std::uint64_t token) {
    auto& s = interfaceState();
    std::lock_guard lock(s.mutex);
    s.observers.erase(token);
}

} // namespace

std::shared_ptr<VQSDKReachability> VQSDKReachability::reachabilityForInternetConnection() {
    return std::shared_ptr<VQSDKReachability>(new VQSDKReachability());
}

VQSDKReachability::~VQSDKReachability() {
    if (switchToken_) Reachability::removeObserver(*switchToken_);
    if (interfaceToken_) removeInterfaceObserver(*interfaceToken_);
}

VQSDKNetworkStatus VQSDKReachability::currentReachabilityStatus() const {
    if (Reachability::isOffline()) return VQSDKNetworkStatus::notReachable;
    return activeInterface();
}

bool VQSDKReachability::startNotifier() {
    std::lock_guard lock(mutex_);
    if (running_) return true;
    running_ = true;
    lastStatus_ = currentReachabilityStatus();
    std::weak_ptr<VQSDKReachability> weak = weak_from_this();
    auto onChange = [weak] {
        if (auto self = weak.lock()) self->statusMayHaveChanged();
    };
    switchToken_ = Reachability::addObserver([onChange](bool) { onChange(); });
    interfaceToken_ = addInterfaceObserver(onChange);
    return true;
}

void VQSDKReachability::stopNotifier() {
    std::lock_guard lock(mutex_);
    running_ = false;
    if (switchToken_) Reachability::removeObserver(*switchToken_);
    if (interfaceToken_) removeInterfaceObserver(*interfaceToken_);
    switchToken_.reset();
    interfaceToken_.reset();
}

bool VQSDKReachability::isNotifierRunning() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void VQSDKReachability::statusMayHaveChanged() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) return;
        const auto status = currentReachabilityStatus();
        if (status == lastStatus_) return;
        lastStatus_ = status;
    }
    if (MainQueue::isMainThread()) {
        post();
    } else {
        MainQueue::async([weak = weak_from_this()] {
            if (auto self = weak.lock()) self->post();
        });
    }
}

void VQSDKReachability::post() {
    NotificationCenter::defaultCenter()->post(kVQSDKReachabilityChangedNotification, this);
}

void VQSDKReachability::setActiveInterface(VQSDKNetworkStatus interface) {
    if (interface == VQSDKNetworkStatus::notReachable) return;
    std::vector<std::function<void()>> toCall;
    {
        auto& s = interfaceState();
        std::lock_guard lock(s.mutex);
        if (s.interface == interface) return;
        s.interface = interface;
        for (const auto& [token, observer] : s.observers) toCall.push_back(observer);
    }
    for (const auto& observer : toCall) observer();
}

VQSDKNetworkStatus VQSDKReachability::activeInterface() {
    auto& s = interfaceState();
    std::lock_guard lock(s.mutex);
    return s.interface;
}

void VQSDKReachability::resetForTesting() { setActiveInterface(VQSDKNetworkStatus::reachableViaWiFi); }

} // namespace platform::veltrane
