#pragma once

#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"

#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// The app's SDK manager. The app starts the SDK with this class
/// (initializeSDK()), so the SDK's shared manager is one of these and the
/// developer-support lists the SDK asks for, in its own dialog or for the
/// preview edition's floating-button menu, come from the overrides below.
///
/// The lists are built afresh at every call, reading the running context
/// then; the handlers read the context again when tapped. Main thread only.
class CommunityHybridSDKManager : public platform::veltrane::VeltraneHybridSDKManager {
public:
    static std::shared_ptr<CommunityHybridSDKManager> create();
    /// Starts the SDK with this class as its shared manager; false when the
    /// SDK had been started already (it keeps the manager it has).
    static bool initializeSDK();

    /// "BuildNumber" and the context's community identifier, then the SDK's own pairs.
    std::vector<std::string> getDevSupportInfos() override;
    /// The name users see (appDisplayName()).
    std::string devInfoTitleString() override;
    /// From the top: the preview edition's actions (hide button, community
    /// switch), "Send Feedback", the login-bar switch (preview edition),
    /// "Crash App", then the SDK's own actions, restyled, in their order.
    /// Every action is a CommunitiesDevAction.
    std::vector<std::shared_ptr<platform::veltrane::VQSDKDevAction>> getDevActions(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController) override;

protected:
    CommunityHybridSDKManager() = default;

private:
    using Actions = std::vector<std::shared_ptr<CommunitiesDevAction>>;

    static Actions convert(const std::vector<std::shared_ptr<platform::veltrane::VQSDKDevAction>>& actions);
    static std::shared_ptr<CommunitiesDevAction> createCrashAppAction();
    static std::optional<Actions> createShowsNavigationBarActions();
    static std::optional<Actions> createMktDebugLoggingActions();
    static std::optional<Actions> createSendFeedbackActions(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController);
    static std::optional<Actions> createYarrowinModeActions(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController);
    static std::optional<Actions> createShowZentariInfoAction(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController);
};

} // namespace vellicor
