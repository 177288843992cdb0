#pragma once

#include "Platform/Foundation/Json.hpp"

#include <memory>
#include <optional>

namespace vellicor {

class CommunityViewControllable;

/// Told by a community screen how its web app progresses (the app's UI step
/// and the launch-action step listen).
class CommunityViewControllerDelegate {
public:
    virtual ~CommunityViewControllerDelegate() = default;

    /// The web app finished bootstrapping; `metadataResponse` is the
    /// navigation and settings object the page sent, none when it sent none.
    virtual void webAppDidBootstrap(const std::shared_ptr<CommunityViewControllable>& viewController,
                                    const std::optional<platform::Json>& metadataResponse) = 0;
    /// The web app reported a completed page load.
    virtual void webAppDidLoadPage(const std::shared_ptr<CommunityViewControllable>& viewController) = 0;
};

} // namespace vellicor
