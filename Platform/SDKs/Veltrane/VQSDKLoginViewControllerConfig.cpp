#include "Platform/SDKs/Veltrane/VQSDKLoginViewControllerConfig.hpp"

namespace platform::veltrane {

std::shared_ptr<VQSDKLoginViewControllerConfig> VQSDKLoginViewControllerConfig::create() {
    return std::shared_ptr<VQSDKLoginViewControllerConfig>(new VQSDKLoginViewControllerConfig());
}

} // namespace platform::veltrane
