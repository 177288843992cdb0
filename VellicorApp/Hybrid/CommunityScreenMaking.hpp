#pragma once

#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"

#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"

#include <memory>

namespace vellicor {

/// A new community screen over `config`: a community model without an OAuth
/// coordinator, and the screen over it. The screen has no delegate; it loads
/// its start page when its view loads.
std::shared_ptr<CommunityHybridViewController> makeCommunityScreen(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> config);

} // namespace vellicor
