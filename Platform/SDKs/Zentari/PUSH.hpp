#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Zentari/PushConfigBuilder.hpp"
#include "Platform/SDKs/Zentari/ZentariTypes.hpp"
#include "Platform/System/UserNotificationCenter.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform::zentari {

/// Receives the URLs of the SDK's messages instead of the system opening them.
class PLATFORM_EXPORT VQZTSdkURLHandlingDelegate {
public:
    virtual ~VQZTSdkURLHandlingDelegate() = default;
    virtual void vqzt_handleURL(const Url& url, const std::string& type) = 0;
};

/// Decides whether an in-app message shows and hears when it shows and closes.
class PLATFORM_EXPORT VQZTSdkInAppMessageEventDelegate {
public:
    virtual ~VQZTSdkInAppMessageEventDelegate() = default;
    virtual bool vqzt_shouldShow(const Json& inAppMessage) = 0;
    virtual void vqzt_didShow(const Json& inAppMessage) = 0;
    virtual void vqzt_didClose(const Json& inAppMessage) = 0;
};

/// The marketing SDK's push module.
///
/// A set-up (VQZTSdk::initializeSdk) registers the installation with the
/// configuration's server: a POST of JSON to "<server URL>device/v1/registration"
/// with the access token as bearer token. The module is `initializing` until
/// the server answers, then `operational` (a 2xx answer) or `failed`; the
/// set-up's completion gets the OperationResult. tearDown() forgets the
/// set-up; a registration still under way is then dropped.
///
/// Thread-safe. Completions and delegate calls run on the main queue, never
/// inside the call that started them. Delegates are held weakly.
class PLATFORM_EXPORT PUSH : public std::enable_shared_from_this<PUSH> {
public:
    using SetupCompletion = std::function<void(OperationResult)>;

    ModuleStatus getStatus() const;
    void tearDown();

    void setPushEnabled(bool enabled);
    bool pushEnabled() const;

    void startWatchingLocation();
    bool isWatchingLocation() const;

    void setURLHandlingDelegate(const std::shared_ptr<VQZTSdkURLHandlingDelegate>& delegate);
    void setEventDelegate(const std::shared_ptr<VQZTSdkInAppMessageEventDelegate>& delegate);
    std::shared_ptr<VQZTSdkURLHandlingDelegate> urlHandlingDelegate() const;
    std::shared_ptr<VQZTSdkInAppMessageEventDelegate> eventDelegate() const;

    void setDebugLoggingEnabled(bool enabled);
    bool debugLoggingEnabled() const;

    /// The request of a tapped marketing notification, which the SDK handles.
    void setNotificationRequest(const system::UNNotificationRequest& request);
    /// The request handed over last (tests, scripts).
    std::optional<system::UNNotificationRequest> lastNotificationRequest() const;

    /// Fetches in the background; the handler gets the result on the main
    /// queue (noData when operational, failed otherwise). True when started.
    bool refresh(std::function<void(BackgroundFetchResult)> fetchCompletionHandler);
    /// How many refreshes were asked for (tests, scripts).
    int refreshCount() const;

    /// The push device token as lower-case hexadecimal, once the application
    /// has registered for remote notifications; none before. Main thread.
    std::optional<std::string> deviceToken() const;
    /// The installation's device id, from the first successful registration on.
    std::optional<std::string> deviceIdentifier() const;

    /// The configuration of the last set-up; none before one or after tearDown().
    std::optional<PushConfig> configuration() const;
    /// The id the server gave the last registration.
    std::optional<std::string> registrationId() const;

    // Driving (the event driver, tests) --------------------------------------------
    /// A message hands a URL to the app: the URL delegate hears of it on the
    /// main queue with the type "URL". False without a delegate.
    bool handleURL(const Url& url);
    /// An in-app message is about to show: the event delegate decides, and
    /// hears that it showed. False without a delegate or when it declined.
    bool showInAppMessage();
    /// The shown in-app message closes. False when none shows.
    bool closeInAppMessage();

    void resetForTesting();

private:
    friend class VQZTSdk;
    PUSH() = default;
    /// Starts the registration for `config`; the completion runs on the main queue.
    void setUp(PushConfig config, SetupCompletion completion);
    void finishSetUp(std::uint64_t generation, bool registered, std::optional<std::string> registrationId,
                     SetupCompletion completion);

    mutable std::mutex mutex_;
    std::uint64_t generation_ = 0;
    ModuleStatus status_ = ModuleStatus::notInitialized;
    std::optional<PushConfig> config_;
    std::optional<std::string> registrationId_;
    std::optional<std::string> deviceId_;
    bool pushEnabled_ = false;
    bool watchingLocation_ = false;
    bool debugLogging_ = false;
    bool inAppMessageShown_ = false;
    int refreshCount_ = 0;
    std::optional<system::UNNotificationRequest> lastRequest_;
    std::weak_ptr<VQZTSdkURLHandlingDelegate> urlDelegate_;
    std::weak_ptr<VQZTSdkInAppMessageEventDelegate> eventDelegate_;
};

} // namespace platform::zentari
