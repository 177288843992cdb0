#include "VellicorApp/Interface/CommunityScreenMaking.hpp"

#include "VellicorApp/Hybrid/CommunityHybridViewModel.hpp"

namespace vellicor {

std::shared_ptr<HybridViewController> makeCommunityScreen(std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) {
    return HybridViewController::create(CommunityHybridViewModel::create(std::move(config)));
}

} // namespace vellicor
