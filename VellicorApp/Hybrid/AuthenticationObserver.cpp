#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/WebsiteDataStoreCookies.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

namespace vellicor {

namespace {
constexpr const char* kLogType = "AuthenticationObserver";
} // namespace

std::shared_ptr<AuthenticationObserver> AuthenticationObserver::create(
    std::shared_ptr<platform::NotificationCenter> notificationCenter, double refreshTimeout) {
    auto observer = std::shared_ptr<AuthenticationObserver>(
        new AuthenticationObserver(std::move(notificationCenter), refreshTimeout));
    observer->observe();
    return observer;
}

std::shared_ptr<AuthenticationObserver> makeAuthenticationObserver(
    std::shared_ptr<platform::NotificationCenter> notificationCenter, double refreshTimeout) {
    return AuthenticationObserver::create(std::move(notificationCenter), refreshTimeout);
}

AuthenticationObserver::AuthenticationObserver(std::shared_ptr<platform::NotificationCenter> notificationCenter,
                                               double refreshTimeout)
    : notificationCenter_(std::move(notificationCenter)), refreshTimeout_(refreshTimeout) {}

AuthenticationObserver::~AuthenticationObserver() {
    if (notificationCenter_) notificationCenter_->removeObservers(this);
}

void AuthenticationObserver::observe() {
    if (!notificationCenter_) return;
    using Handler = void (AuthenticationObserver::*)();
    const std::pair<const char*, Handler> observed[] = {
        {platform::veltrane::kVQNotificationUserDidLogIn, &AuthenticationObserver::handleUserDidLogin},
        {platform::veltrane::kVQNotificationUserWillLogout, &AuthenticationObserver::handleUserWillLogout},
        {platform::veltrane::kVQNotificationUserDidLogout, &AuthenticationObserver::handleUserDidLogout},
        {platform::veltrane::kVQNotificationUserDidRefreshToken, &AuthenticationObserver::handleUserDidRefreshToken},
        {platform::veltrane::kVQNotificationUserWillLogIn, &AuthenticationObserver::handleAppWillLogInUser},
        {kUserInitiatedLogoutNotification, &AuthenticationObserver::handleUserInitiatedLogout},
    };
    // Held weakly by the centre: a handler never runs once the observer is gone.
    const auto self = shared_from_this();
    for (const auto& [name, handler] : observed) {
        notificationCenter_->addObserver<AuthenticationObserver>(
            self, name, nullptr,
            [handler](AuthenticationObserver& observer, const platform::Notification&) { (observer.*handler)(); });
    }
}

void AuthenticationObserver::configure(std::function<void()> didLogin, std::function<void()> didLogout) {
    std::lock_guard lock(mutex_);
    didLogin_ = std::move(didLogin);
    didLogout_ = std::move(didLogout);
}

void AuthenticationObserver::call(std::function<void()> AuthenticationObserver::*callback) const {
    std::function<void()> copy;
    {
        std::lock_guard lock(mutex_);
        copy = this->*callback;
    }
    if (copy) copy();
}

bool AuthenticationObserver::shouldTriggerSessionRefresh() const {
    const double last = timeSinceLastSessionRefresh();
    if (last == 0) return true;
    return platform::now() - last >= refreshTimeout_ / 1000.0;
}

bool AuthenticationObserver::loginWasDismissed() { return loginWasDismissed_.exchange(false); }

double AuthenticationObserver::timeSinceLastSessionRefresh() {
    return AppContext::current()->userDefaults->doubleForKey(kTimeSinceLastSessionRefreshKey);
}

void AuthenticationObserver::setTimeSinceLastSessionRefresh(double time) {
    AppContext::current()->userDefaults->setDouble(kTimeSinceLastSessionRefreshKey, time);
}

// The log texts below are read by support tooling; keep them verbatim.

void AuthenticationObserver::handleUserDidLogin() {
    Logger::info("Performing notification action after user login.", kLogType);
    setTimeSinceLastSessionRefresh(platform::now());
    call(&AuthenticationObserver::didLogin_);
}

void AuthenticationObserver::handleUserWillLogout() {
    Logger::info("Performing notification action before user logout.", kLogType);
    // The user who leaves takes their web session, files and per-user
    // services with them.
    AppContext::cleanupWithUserLogout();
}

void AuthenticationObserver::handleUserDidLogout() {
    Logger::info("Performing notification action after user logout.", kLogType);
    const auto sender = isUserInitiatedLogout_.exchange(false) ? KORVAMarkerLocator::Sender::appLogoutUser
                                                               : KORVAMarkerLocator::Sender::appLogoutSystem;
    AppContext::current()->korvaMarkerCenter->logInteraction(
        KORVAMarkerName::appLogout, std::nullopt, KORVAMarkerPage::Context::native,
        KORVAMarkerLocator{KORVAMarkerLocator::Parent::authentication, sender});
    call(&AuthenticationObserver::didLogout_);
}

void AuthenticationObserver::handleUserDidRefreshToken() {
    Logger::info("Performing notification action after user token refresh.", kLogType);
    setTimeSinceLastSessionRefresh(platform::now());
}

void AuthenticationObserver::handleAppWillLogInUser() { loginWasDismissed_ = true; }

void AuthenticationObserver::handleUserInitiatedLogout() {
    Logger::info("Handing notification action after user initiated logout.", kLogType);
    isUserInitiatedLogout_ = true;
}

} // namespace vellicor
