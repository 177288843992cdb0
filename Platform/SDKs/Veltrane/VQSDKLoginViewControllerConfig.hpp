#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace platform::veltrane {

class VQLoginViewController;

/// How the SDK's login screen looks and which class it is. The account
/// manager reads its configuration each time it shows the login screen.
class PLATFORM_EXPORT VQSDKLoginViewControllerConfig {
public:
    static std::shared_ptr<VQSDKLoginViewControllerConfig> create();

    /// The navigation bar's background, title and button colours; none: the platform's.
    std::optional<ui::Color> navBarColor;
    std::optional<ui::Color> navBarTitleColor;
    std::optional<ui::Color> navBarTintColor;
    /// Whether the navigation bar shows.
    bool showsNavigationBar = true;
    /// Makes the login screen (an app's subclass); none: a plain VQLoginViewController.
    std::function<std::shared_ptr<VQLoginViewController>()> loginViewControllerCreationBlock;

private:
    VQSDKLoginViewControllerConfig() = default;
};

} // namespace platform::veltrane
