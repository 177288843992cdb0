#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"

#include "VellicorApp/Core/AppConstants.hpp"

namespace vellicor {

CommunitiesDevAction::CommunitiesDevAction(std::string name, std::function<void()> handler)
    : VQSDKDevAction(std::move(name), std::move(handler)), iconBackgroundColor(Accessibility::veltraneGray()) {}

std::shared_ptr<CommunitiesDevAction> CommunitiesDevAction::create(std::string name, std::function<void()> handler) {
    return std::shared_ptr<CommunitiesDevAction>(new CommunitiesDevAction(std::move(name), std::move(handler)));
}

std::shared_ptr<CommunitiesDevAction> CommunitiesDevAction::create(const platform::veltrane::VQSDKDevAction& action) {
    auto handler = action.handler();
    return create(action.name(), [handler] {
        if (handler) handler();
    });
}

} // namespace vellicor
