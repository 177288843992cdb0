#include "VellicorApp/Switching/ServiceProviderAuthHandler.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/UI/Application.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "ServiceProviderAuthHandler";

void report(const ServiceProviderAuthHandler::Update& update, ServiceProviderAuthStatus status) {
    if (update) update(status);
}

} // namespace

std::string_view description(ServiceProviderAuthStatus status) {
    switch (status) {
    case ServiceProviderAuthStatus::running: return "running";
    case ServiceProviderAuthStatus::paused: return "paused";
    case ServiceProviderAuthStatus::stopped: return "stopped";
    case ServiceProviderAuthStatus::finished: return "finished";
    }
    return "unknown";
}

std::shared_ptr<ServiceProviderAuthHandler> ServiceProviderAuthHandler::create() {
    struct Made : ServiceProviderAuthHandler {};
    return std::make_shared<Made>();
}

void ServiceProviderAuthHandler::begin(const platform::veltrane::SPConfig& config, Update update) {
    receivedAuthCodeResponse_ = false;
    if (AppContext::current()->userAccountManager->currentUser()) {
        performVQIDPAuthFlow(config, update);
        return;
    }
    report(update, ServiceProviderAuthStatus::paused);
    loginUser(config, update);
}

void ServiceProviderAuthHandler::loginUser(const platform::veltrane::SPConfig& config, const Update& update) {
    std::weak_ptr<ServiceProviderAuthHandler> weak = weak_from_this();
    AppContext::current()->userAccountManager->login(
        [weak, config, update](platform::veltrane::VQAuthResult result) {
            auto self = weak.lock();
            if (!self) return;
            if (!result) {
                report(update, ServiceProviderAuthStatus::stopped);
                // Log text read by support tooling; keep verbatim.
                Logger::error(
                    "Login failed before SP App Login: " + platform::veltrane::localizedDescription(result.error()),
                    kLogType);
                return;
            }
            report(update, ServiceProviderAuthStatus::running);
            self->performVQIDPAuthFlow(config, update);
        });
}

void ServiceProviderAuthHandler::performVQIDPAuthFlow(const platform::veltrane::SPConfig& config,
                                                      const Update& update) {
    const auto context = AppContext::current();
    std::weak_ptr<ServiceProviderAuthHandler> weak = weak_from_this();

    // The switch to the service-provider app sends this app to the
    // background: that is when the flow counts as finished. One observation
    // per flow, kept for the rest of the process; with several, the first to
    // run clears the flag, so one `finished` is reported.
    auto onBackground = [weak, update] {
        auto self = weak.lock();
        if (!self || !self->receivedAuthCodeResponse_.exchange(false)) return;
        report(update, ServiceProviderAuthStatus::finished);
    };
    context->notificationCenter->addObserver(platform::ui::kApplicationDidEnterBackgroundNotification, nullptr,
                                             [onBackground](const platform::Notification&) {
                                                 if (platform::MainQueue::isMainThread()) {
                                                     onBackground();
                                                 } else {
                                                     platform::MainQueue::async(onBackground);
                                                 }
                                             });

    // Log texts read by support tooling; keep them verbatim. The
    // configuration's description holds no secret.
    Logger::info("Performing login: " + config.description(), kLogType);
    context->userAccountManager->kickOffIDPInitiatedLoginFlow(
        config,
        [weak](platform::veltrane::VQSPLoginStatus status) {
            auto self = weak.lock();
            if (!self) return;
            Logger::info("IDP login flow success: " + platform::veltrane::description(status), kLogType);
            self->receivedAuthCodeResponse_ = true;
        },
        [update](platform::veltrane::VQSPLoginError error) {
            Logger::error("Login failed IDP auth flow: " + platform::veltrane::description(error), kLogType);
            report(update, ServiceProviderAuthStatus::stopped);
        });
}

} // namespace vellicor
