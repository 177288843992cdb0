#include "VellicorApp/Core/NetworkConnection.hpp"

#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"

namespace vellicor {

std::string NetworkConnection::getConnectionType() {
    using platform::veltrane::VQSDKNetworkStatus;
    const auto reachability = platform::veltrane::VQSDKReachability::reachabilityForInternetConnection();
    if (!reachability) return "Unknown";
    switch (reachability->currentReachabilityStatus()) {
    case VQSDKNetworkStatus::notReachable: return "No Connection";
    case VQSDKNetworkStatus::reachableViaWiFi: return "Wifi";
    case VQSDKNetworkStatus::reachableViaWWAN: {
        const auto technologies = platform::veltrane::CTTelephonyNetworkInfo::create()->serviceCurrentRadioAccessTechnology();
        if (!technologies) return "Unknown";
        return platform::veltrane::dictionaryDescription(*technologies);
    }
    }
    return "Unknown";
}

} // namespace vellicor
