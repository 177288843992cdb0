#include "VellicorApp/Hybrid/CommunityScreenMaking.hpp"

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

namespace vellicor {

std::shared_ptr<CommunityHybridViewController> makeCommunityScreen(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) {
    return CommunityHybridViewController::create(CommunityHybridViewModel::create(std::move(config)));
}

} // namespace vellicor
