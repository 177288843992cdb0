#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"

namespace platform::veltrane {

std::shared_ptr<VQSDKDevAction> VQSDKDevAction::create(std::string name, std::function<void()> handler) {
    return std::shared_ptr<VQSDKDevAction>(new VQSDKDevAction(std::move(name), std::move(handler)));
}

VQSDKDevAction::~VQSDKDevAction() = default;

} // namespace platform::veltrane
