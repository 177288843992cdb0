#pragma once

#include "VellicorApp/Community/ZentariPushProvisioningInfo.hpp"
#include "VellicorApp/Push/ZentariSDKManaging.hpp"

#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/SDKs/Zentari/PUSH.hpp"
#include "Platform/System/UserNotificationCenter.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The one owner of the marketing SDK in the app, made at launch and kept by
/// the running context (Context::mktPushManager()). It registers the
/// installation with the SDK for the provisioning entry the selection store
/// chooses, asks for the notification permission when the app's rule says so
/// (and when an in-app message asks), gives the SDK its contact key (the
/// signed-in user's contact id, else "<user id>_<org id>", else a guest key
/// kept under "guestUser"), sets the SDK up again after a community switch,
/// keeps a background refresh task, mirrors the developer menu's debug switch,
/// and is the SDK's URL and in-app-message delegate.
///
/// Threads: made and called on the main thread. The permission answer is
/// handled on the main queue, its completion on the answer's thread; the
/// SDK's and the REST client's completions run where those call them and
/// touch only the SDK, the logger, the key-value store and the marker centre.
/// The background task's handler runs on the scheduler's queue. Every closure
/// that outlives a call holds the manager weakly.
class ZentariPushManager : public platform::zentari::VQZTSdkURLHandlingDelegate,
                           public platform::zentari::VQZTSdkInAppMessageEventDelegate,
                           public std::enable_shared_from_this<ZentariPushManager> {
public:
    static constexpr const char* kGuestUserKey = "guestUser";
    static constexpr const char* kDebugLoggingKey = "enableDebugLogging";
    static constexpr const char* kInAppPushCompletedKey = "ZentariInAppPushCompleted";
    static constexpr const char* kPushPermissionURL = "ostrel://show-push-permission";
    static constexpr const char* kRefreshTaskSuffix = ".mktrefreshtask";

    /// Over the provisioning file of the running context's app package; null
    /// (with an info line) when no entry is selected. Asks for the permission
    /// when the app's rule says so and starts the first registration.
    static std::shared_ptr<ZentariPushManager> create(std::shared_ptr<ZentariSDKManaging> sdkManager);
    static std::shared_ptr<ZentariPushManager> create(std::optional<std::string> configPath,
                                                      std::shared_ptr<ZentariSDKManaging> sdkManager);

    bool debugLoggingEnabled() const;
    void setDebugLoggingEnabled(bool enabled);

    /// After a community switch: switches push off and, unless the SDK is
    /// still initialising or there is no path, sets the SDK up again for the
    /// entry now selected (the default path: the app package's file).
    void update();
    void update(std::optional<std::string> configPath);

    /// The signed-in user's contact key: the "ContactId" of the user's record,
    /// else "<user id>_<org id>"; nothing without both ids.
    void setContactKey(const std::shared_ptr<platform::veltrane::VQUserAccount>& userAccount);
    /// The stored guest key (after logout).
    void setContactKey();
    /// A given key; without one, a warning and nothing else.
    void setContactKey(const std::optional<std::string>& key);

    /// Hands a tapped marketing notification to the SDK.
    void setNotificationRequest(const platform::system::UNNotificationRequest& request);

    /// Registers the background refresh task (once, at launch).
    void backgroundRefresh();
    /// Submits the next background refresh and asks the SDK to refresh.
    void scheduleBackgroundRefresh();

    /// The task identifier: the bundle identifier + ".mktrefreshtask"; none
    /// without a bundle identifier.
    static std::optional<std::string> backgroundTaskIdentifier();

    void vqzt_handleURL(const platform::Url& url, const std::string& type) override;
    bool vqzt_shouldShow(const platform::Json& inAppMessage) override;
    void vqzt_didShow(const platform::Json& inAppMessage) override;
    void vqzt_didClose(const platform::Json& inAppMessage) override;

private:
    explicit ZentariPushManager(std::shared_ptr<ZentariSDKManaging> sdkManager) : zentariSDK_(std::move(sdkManager)) {}

    /// Asks for the notification permission; the handler runs on the
    /// answer's thread, whatever the answer.
    void requestNotificationAuthorization(std::function<void()> completionHandler);
    void registerForNotifications(const ZentariPushProvisioningInfo& entry, bool isReregister);
    /// The registration's completion; `self` is null once the manager is gone.
    static void didRegister(const std::shared_ptr<ZentariPushManager>& self, const ZentariPushProvisioningInfo& entry,
                            bool isReregister);
    void reconfigureZentari(const std::string& configPath);
    /// Runs the completion, then switches push off.
    void unregister(const std::function<void()>& completion);

    const std::shared_ptr<ZentariSDKManaging> zentariSDK_;
};

} // namespace vellicor
