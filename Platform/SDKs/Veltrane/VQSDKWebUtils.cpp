#include "Platform/SDKs/Veltrane/VQSDKWebUtils.hpp"

#include <mutex>

namespace platform::veltrane {

namespace {

std::mutex gMutex;
std::optional<std::string> gUserAgent;

} // namespace

void VQSDKWebUtils::configureUserAgent(const std::string& userAgent) {
    if (userAgent.empty()) return;
    std::lock_guard lock(gMutex);
    gUserAgent = userAgent;
}

std::optional<std::string> VQSDKWebUtils::configuredUserAgent() {
    std::lock_guard lock(gMutex);
    return gUserAgent;
}

void VQSDKWebUtils::resetForTesting() {
    std::lock_guard lock(gMutex);
    gUserAgent.reset();
}

} // namespace platform::veltrane
