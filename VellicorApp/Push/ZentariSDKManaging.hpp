#pragma once

#include "VellicorApp/Community/ZentariPushProvisioningInfo.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Zentari/PUSH.hpp"
#include "Platform/SDKs/Zentari/ZentariTypes.hpp"
#include "Platform/System/UserNotificationCenter.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The app's view of the marketing SDK's push module. The marketing push
/// manager is its only holder.
class ZentariSDKManaging {
public:
    using Completion = std::function<void(std::optional<platform::Error>)>;

    virtual ~ZentariSDKManaging() = default;

    /// Configures and starts the SDK with a provisioning entry; the completion
    /// (kept beyond the call) runs when the SDK reports its set-up. An error,
    /// and no SDK call and no completion, when the entry's server URL is not
    /// a URL.
    virtual std::optional<platform::Error> initialize(const ZentariPushProvisioningInfo& entry,
                                                      Completion completion) = 0;
    virtual void enablePush() = 0;
    virtual void disablePush() = 0;
    /// The contact key of this installation.
    virtual void setProfileId(const std::string& id) = 0;
    /// Asks the SDK to fetch in the background; the result is only logged.
    virtual void refresh() = 0;
    virtual platform::zentari::ModuleStatus getStatus() const = 0;
    virtual void tearDown() = 0;
    virtual void startWatchingLocation() = 0;
    virtual void setURLHandlingDelegate(const std::shared_ptr<platform::zentari::VQZTSdkURLHandlingDelegate>& delegate) = 0;
    virtual void setEventDelegate(const std::shared_ptr<platform::zentari::VQZTSdkInAppMessageEventDelegate>& delegate) = 0;
    virtual void setDebugLoggingEnabled(bool enabled) = 0;
    /// Hands over a tapped marketing notification, which the SDK handles.
    virtual void setNotificationRequest(const platform::system::UNNotificationRequest& request) = 0;
};

/// The SDK's push module (VQZTSdk::mp()) as the app uses it.
///
/// initialize() builds the push configuration from the entry (analytics
/// always on) and starts the SDK; when the SDK reports its set-up, whatever
/// the result, it logs "SDK result = <result>", switches push on (if this
/// object still exists) and calls the completion without an error. The SDK
/// calls back on the main queue.
class ZentariSDKAdapter : public ZentariSDKManaging, public std::enable_shared_from_this<ZentariSDKAdapter> {
public:
    static std::shared_ptr<ZentariSDKAdapter> create(std::shared_ptr<platform::zentari::PUSH> push);

    std::optional<platform::Error> initialize(const ZentariPushProvisioningInfo& entry, Completion completion) override;
    void enablePush() override { push_->setPushEnabled(true); }
    void disablePush() override { push_->setPushEnabled(false); }
    void setProfileId(const std::string& id) override;
    void refresh() override;
    platform::zentari::ModuleStatus getStatus() const override { return push_->getStatus(); }
    void tearDown() override { push_->tearDown(); }
    void startWatchingLocation() override { push_->startWatchingLocation(); }
    void setURLHandlingDelegate(const std::shared_ptr<platform::zentari::VQZTSdkURLHandlingDelegate>& delegate) override {
        push_->setURLHandlingDelegate(delegate);
    }
    void setEventDelegate(const std::shared_ptr<platform::zentari::VQZTSdkInAppMessageEventDelegate>& delegate) override {
        push_->setEventDelegate(delegate);
    }
    void setDebugLoggingEnabled(bool enabled) override { push_->setDebugLoggingEnabled(enabled); }
    void setNotificationRequest(const platform::system::UNNotificationRequest& request) override {
        push_->setNotificationRequest(request);
    }

private:
    explicit ZentariSDKAdapter(std::shared_ptr<platform::zentari::PUSH> push) : push_(std::move(push)) {}
    std::shared_ptr<platform::zentari::PUSH> push_;
};

/// The error of a provisioning entry whose server URL is not a URL: domain
/// "OTHER", code 400, the text of "ZENTARI_BUILD_CONFIG_FAILED".
platform::Error zentariBuildConfigError();

} // namespace vellicor
