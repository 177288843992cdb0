#pragma once

#include "Platform/SDKs/Veltrane/SPConfig.hpp"

#include <atomic>
#include <functional>
#include <memory>
#include <string_view>

namespace vellicor {

/// How a sign-in into a service-provider app stands, as its row hears it.
enum class ServiceProviderAuthStatus {
    /// Under way, needing nothing of the user.
    running,
    /// Waiting for the user to sign into this app on the SDK's login screen.
    paused,
    /// Ended with an error.
    stopped,
    /// The service-provider app has been handed its authorization (the SDK
    /// reported the flow and the app then went to the background).
    finished,
};

/// "running", "paused", "stopped", "finished".
std::string_view description(ServiceProviderAuthStatus status);

/// Signs the user into one service-provider app with this app as identity
/// provider: signs into this app first when nobody is signed in, then starts
/// the SDK's identity-provider-initiated flow, which hands the other app an
/// authorization and switches to it. Progress goes to the status callback.
///
/// Threads: begin() runs on the main thread. The SDK calls its login
/// completion and the flow's callbacks on a thread of its choosing, and the
/// handler calls the status callback on that same thread; the background
/// observation runs on the main queue. The flag between the two is atomic.
///
/// Lifetime: the SDK's pending calls and the background observations hold the
/// status callback strongly and the handler weakly; whoever owns the callback
/// (the row) keeps the handler alive. A background observation stays for the
/// rest of the process.
class ServiceProviderAuthHandler : public std::enable_shared_from_this<ServiceProviderAuthHandler> {
public:
    using Update = std::function<void(ServiceProviderAuthStatus)>;

    static std::shared_ptr<ServiceProviderAuthHandler> create();
    virtual ~ServiceProviderAuthHandler() = default;
    ServiceProviderAuthHandler(const ServiceProviderAuthHandler&) = delete;
    ServiceProviderAuthHandler& operator=(const ServiceProviderAuthHandler&) = delete;

    /// Starts the sign-in for the configuration; every result arrives through
    /// `update`: `paused` when this app's login must come first, `running`
    /// once it succeeded, `stopped` on any failure, `finished` at the first
    /// trip to the background after the SDK reported the flow.
    virtual void begin(const platform::veltrane::SPConfig& config, Update update);

protected:
    ServiceProviderAuthHandler() = default;

private:
    void loginUser(const platform::veltrane::SPConfig& config, const Update& update);
    void performVQIDPAuthFlow(const platform::veltrane::SPConfig& config, const Update& update);

    /// The SDK has reported a status of the flow since the last begin() or the
    /// last `finished`. Set on the SDK's thread, read on the main queue.
    std::atomic<bool> receivedAuthCodeResponse_{false};
};

} // namespace vellicor
