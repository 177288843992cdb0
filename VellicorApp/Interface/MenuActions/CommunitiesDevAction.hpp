#pragma once

#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/Image.hpp"

#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// One of the app's own developer actions: the SDK's action with how the
/// developer menu shows it.
class CommunitiesDevAction : public platform::veltrane::VQSDKDevAction {
public:
    /// An action with the defaults: no icon, the brand grey behind the icon,
    /// regular text, the menu closes before the handler runs, no counter.
    static std::shared_ptr<CommunitiesDevAction> create(std::string name, std::function<void()> handler);
    /// The SDK's action as an app action: its name and a handler that runs it.
    static std::shared_ptr<CommunitiesDevAction> create(const platform::veltrane::VQSDKDevAction& action);

    std::shared_ptr<platform::ui::Image> icon;
    platform::ui::Color iconBackgroundColor;
    bool isTextBold = false;
    /// True: the menu closes when the action is tapped and the handler runs
    /// after; false: the handler runs with the menu still open.
    bool shouldDismissPresenter = true;
    /// Shown beside the title when 0 or more; no counter when negative.
    long counter = -1;

protected:
    CommunitiesDevAction(std::string name, std::function<void()> handler);
};

} // namespace vellicor
