#include "Platform/UI/Application.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/Foundation/UserDefaults.hpp"

#include <algorithm>

namespace platform::ui {

Application& Application::shared() {
    static auto* application = new Application;
    return *application;
}

void Application::post(const char* name) { NotificationCenter::defaultCenter()->post(name, this); }

void Application::launch(const nlohmann::json& options) {
    if (launched_) return;
    launched_ = true;
    state_ = ApplicationState::inactive;
    if (delegate_) delegate_->willFinishLaunching(*this, options);
    if (delegate_) delegate_->didFinishLaunching(*this, options);
    post(kApplicationDidFinishLaunchingNotification);
    if (delegate_) {
        if (auto window = delegate_->window(); window && !window->isShown()) window->makeKeyAndVisible();
    }
    becomeActive();
}

void Application::becomeActive() {
    if (!launched_ || terminated_ || state_ == ApplicationState::active) return;
    state_ = ApplicationState::active;
    if (delegate_) delegate_->didBecomeActive(*this);
    post(kApplicationDidBecomeActiveNotification);
}

void Application::resignActive() {
    if (!launched_ || terminated_ || state_ != ApplicationState::active) return;
    if (delegate_) delegate_->willResignActive(*this);
    post(kApplicationWillResignActiveNotification);
    state_ = ApplicationState::inactive;
}

void Application::enterBackground() {
    if (!launched_ || terminated_ || state_ == ApplicationState::background) return;
    resignActive();
    state_ = ApplicationState::background;
    if (delegate_) delegate_->didEnterBackground(*this);
    post(kApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    if (!launched_ || terminated_ || state_ != ApplicationState::background) return;
    comeForward();
    becomeActive();
}

void Application::comeForward() {
    if (!launched_ || terminated_ || state_ != ApplicationState::background) return;
    state_ = ApplicationState::inactive;
    if (delegate_) delegate_->willEnterForeground(*this);
    post(kApplicationWillEnterForegroundNotification);
}

Application::BackgroundTaskIdentifier Application::beginBackgroundTask(std::function<void()> expirationHandler) {
    const auto identifier = nextBackgroundTask_++;
    auto expiry = WorkItem::create([this, identifier, handler = std::move(expirationHandler)] {
        if (backgroundTasks_.erase(identifier) == 0) return;
        if (handler) handler();
    });
    backgroundTasks_[identifier] = expiry;
    MainQueue::asyncAfter(kBackgroundTaskTime, expiry);
    return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
    const auto found = backgroundTasks_.find(identifier);
    if (found == backgroundTasks_.end()) return;
    found->second->cancel();
    backgroundTasks_.erase(found);
}

void Application::terminate() {
    if (!launched_ || terminated_) return;
    if (state_ == ApplicationState::active) resignActive();
    if (delegate_) delegate_->willTerminate(*this);
    post(kApplicationWillTerminateNotification);
    terminated_ = true;
    // Defaults are written in the background; what the app set last must not be lost.
    UserDefaults::synchronizeAll();
}

bool Application::continueUserActivity(const UserActivity& activity) {
    if (!delegate_ || terminated_) return false;
    return delegate_->continueUserActivity(*this, activity, [](std::vector<std::string>) {});
}

bool Application::openURL(const Url& url, const nlohmann::json& options) {
    if (!delegate_ || terminated_) return false;
    return delegate_->openURL(*this, url, options);
}

std::optional<bool> Application::performShortcut(const ShortcutItem& item) {
    if (!delegate_ || terminated_) return std::nullopt;
    // The delegate may keep the completion and call it after this returns:
    // the answer lives with the completion, and a late one is dropped.
    auto answer = std::make_shared<std::optional<bool>>();
    delegate_->performActionForShortcutItem(*this, item, [answer](bool handled) {
        if (!*answer) *answer = handled;
    });
    return *answer;
}

void Application::open(const Url& url, const nlohmann::json& options, std::function<void(bool)> completion) {
    bool answer = false;
    const auto universalLinksOnly = options.find(kOpenURLOptionUniversalLinksOnly);
    if (universalLinksOnly != options.end() && *universalLinksOnly == true) {
        // Only an app that claims the link may open it; no browser takes it.
        const auto scheme = url.scheme().value_or("");
        const auto host = url.host();
        const bool web = caseInsensitiveEquals(scheme, "http") || caseInsensitiveEquals(scheme, "https");
        const bool claimed = web && host && std::ranges::any_of(universalLinkHosts_, [&](const std::string& claimedHost) {
                                 return caseInsensitiveEquals(claimedHost, *host);
                             });
        answer = claimed && openAnswer(url);
    } else {
        answer = openAnswer(url);
    }
    opened_.push_back(OpenedExternalURL{url, options, answer});
    if (completion) {
        MainQueue::async([completion = std::move(completion), answer] { completion(answer); });
    }
}

bool Application::canOpenURL(const Url& url) const { return openAnswer(url); }

bool Application::openAnswer(const Url& url) const {
    if (openResponder_) return openResponder_(url);
    const auto answer = openAnswers_.find(lowercased(url.scheme().value_or("")));
    return answer == openAnswers_.end() || answer->second;
}

void Application::setOpenAnswer(const std::string& scheme, std::optional<bool> opened) {
    if (opened) {
        openAnswers_[lowercased(scheme)] = *opened;
    } else {
        openAnswers_.erase(lowercased(scheme));
    }
}

void Application::addUniversalLinkHost(const std::string& host) { universalLinkHosts_.push_back(host); }

Data Application::deviceToken() {
    Data token(32);
    for (std::size_t i = 0; i < token.size(); ++i) token[i] = static_cast<std::uint8_t>(0xA0 + i);
    return token;
}

void Application::registerForRemoteNotifications() {
    auto failure = remoteFailure_;
    registeredForRemote_ = !failure.has_value();
    MainQueue::async([this, failure] {
        if (!delegate_) return;
        if (failure) {
            delegate_->didFailToRegisterForRemoteNotifications(*this, *failure);
        } else {
            delegate_->didRegisterForRemoteNotifications(*this, deviceToken());
        }
    });
}

void Application::showKeyboard(double height) {
    if (keyboardShown_) return;
    keyboardShown_ = true;
    const nlohmann::json info = {
        {kKeyboardFrameEndUserInfoKey, {{"x", 0}, {"y", kScreenSize.height - height}, {"width", kScreenSize.width}, {"height", height}}},
        {kKeyboardAnimationDurationUserInfoKey, 0.25}};
    NotificationCenter::defaultCenter()->post(kKeyboardWillShowNotification, this, info);
    NotificationCenter::defaultCenter()->post(kKeyboardDidShowNotification, this, info);
}

void Application::hideKeyboard() {
    if (!keyboardShown_) return;
    keyboardShown_ = false;
    const nlohmann::json info = {
        {kKeyboardFrameEndUserInfoKey, {{"x", 0}, {"y", kScreenSize.height}, {"width", kScreenSize.width}, {"height", 0}}},
        {kKeyboardAnimationDurationUserInfoKey, 0.25}};
    NotificationCenter::defaultCenter()->post(kKeyboardWillHideNotification, this, info);
    NotificationCenter::defaultCenter()->post(kKeyboardDidHideNotification, this, info);
}

void Application::reset() {
    delegate_.reset();
    state_ = ApplicationState::inactive;
    launched_ = false;
    terminated_ = false;
    keyboardShown_ = false;
    registeredForRemote_ = false;
    remoteFailure_.reset();
    for (const auto& [identifier, expiry] : backgroundTasks_) expiry->cancel();
    backgroundTasks_.clear();
    opened_.clear();
    openResponder_ = nullptr;
    openAnswers_.clear();
    universalLinkHosts_.clear();
    shortcutItems.clear();
    applicationIconBadgeNumber = 0;
}

} // namespace platform::ui
