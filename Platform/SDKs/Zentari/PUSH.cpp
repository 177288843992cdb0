#include "Platform/SDKs/Zentari/PUSH.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/UI/Application.hpp"

namespace platform::zentari {

namespace {

/// The registration's answer is small; a longer body is not read further.
constexpr std::size_t kMaximumAnswerBytes = 64 * 1024;

} // namespace

ModuleStatus PUSH::getStatus() const {
    std::lock_guard lock(mutex_);
    return status_;
}

void PUSH::tearDown() {
    std::lock_guard lock(mutex_);
    // A registration under way belongs to the old set-up: its answer is dropped.
    ++generation_;
    status_ = ModuleStatus::notInitialized;
    config_.reset();
    registrationId_.reset();
    watchingLocation_ = false;
}

void PUSH::setPushEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    pushEnabled_ = enabled;
}

bool PUSH::pushEnabled() const {
    std::lock_guard lock(mutex_);
    return pushEnabled_;
}

void PUSH::startWatchingLocation() {
    std::lock_guard lock(mutex_);
    watchingLocation_ = true;
}

bool PUSH::isWatchingLocation() const {
    std::lock_guard lock(mutex_);
    return watchingLocation_;
}

void PUSH::setURLHandlingDelegate(const std::shared_ptr<VQZTSdkURLHandlingDelegate>& delegate) {
    std::lock_guard lock(mutex_);
    urlDelegate_ = delegate;
}

void PUSH::setEventDelegate(const std::shared_ptr<VQZTSdkInAppMessageEventDelegate>& delegate) {
    std::lock_guard lock(mutex_);
    eventDelegate_ = delegate;
}

std::shared_ptr<VQZTSdkURLHandlingDelegate> PUSH::urlHandlingDelegate() const {
    std::lock_guard lock(mutex_);
    return urlDelegate_.lock();
}

std::shared_ptr<VQZTSdkInAppMessageEventDelegate> PUSH::eventDelegate() const {
    std::lock_guard lock(mutex_);
    return eventDelegate_.lock();
}

void PUSH::setDebugLoggingEnabled(bool enabled) {
    std::lock_guard lock(mutex_);
    debugLogging_ = enabled;
}

bool PUSH::debugLoggingEnabled() const {
    std::lock_guard lock(mutex_);
    return debugLogging_;
}

void PUSH::setNotificationRequest(const system::UNNotificationRequest& request) {
    std::lock_guard lock(mutex_);
    lastRequest_ = request;
}

std::optional<system::UNNotificationRequest> PUSH::lastNotificationRequest() const {
    std::lock_guard lock(mutex_);
    return lastRequest_;
}

bool PUSH::refresh(std::function<void(BackgroundFetchResult)> fetchCompletionHandler) {
    bool operational = false;
    {
        std::lock_guard lock(mutex_);
        ++refreshCount_;
        operational = status_ == ModuleStatus::operational;
    }
    if (fetchCompletionHandler) {
        MainQueue::async([handler = std::move(fetchCompletionHandler), operational] {
            handler(operational ? BackgroundFetchResult::noData : BackgroundFetchResult::failed);
        });
    }
    return operational;
}

int PUSH::refreshCount() const {
    std::lock_guard lock(mutex_);
    return refreshCount_;
}

std::optional<std::string> PUSH::deviceToken() const {
    if (!ui::Application::shared().isRegisteredForRemoteNotifications()) return std::nullopt;
    return hexString(ui::Application::deviceToken());
}

std::optional<std::string> PUSH::deviceIdentifier() const {
    std::lock_guard lock(mutex_);
    return deviceId_;
}

std::optional<PushConfig> PUSH::configuration() const {
    std::lock_guard lock(mutex_);
    return config_;
}

std::optional<std::string> PUSH::registrationId() const {
    std::lock_guard lock(mutex_);
    return registrationId_;
}

void PUSH::setUp(PushConfig config, SetupCompletion completion) {
    std::uint64_t generation = 0;
    std::string deviceId;
    {
        std::lock_guard lock(mutex_);
        generation = ++generation_;
        status_ = ModuleStatus::initializing;
        config_ = config;
        registrationId_.reset();
        if (!deviceId_) deviceId_ = Uuid().uuidString();
        deviceId = *deviceId_;
    }
    const auto url = config.serverUrl ? Url::parse("device/v1/registration", *config.serverUrl) : std::nullopt;
    std::weak_ptr<PUSH> weakSelf = weak_from_this();
    if (!url) {
        MainQueue::async([weakSelf, generation, completion = std::move(completion)] {
            if (const auto self = weakSelf.lock()) self->finishSetUp(generation, false, std::nullopt, completion);
        });
        return;
    }
    HttpRequest request(*url, 30.0);
    request.httpMethod = "POST";
    request.httpShouldHandleCookies = false;
    request.setValue("application/json", "Content-Type");
    request.setValue("Bearer " + config.accessToken, "Authorization");
    const Json body = {{"applicationId", config.appId}, {"mid", config.mid}, {"deviceId", deviceId},
                       {"platform", "iOS"}};
    request.httpBody = dataFromString(body.dump());
    auto task = HttpSession::ephemeral()->dataTask(
        std::move(request), [weakSelf, generation, completion = std::move(completion)](
                                std::optional<Data> data, std::optional<HttpResponse> response, std::optional<Error>) {
            const bool registered = response && response->statusCode() / 100 == 2;
            std::optional<std::string> registrationId;
            if (registered && data && data->size() <= kMaximumAnswerBytes) {
                const auto json = parseJson(*data);
                if (json) registrationId = jsonString(*json, "registrationId");
            }
            MainQueue::async([weakSelf, generation, registered, registrationId, completion] {
                if (const auto self = weakSelf.lock()) self->finishSetUp(generation, registered, registrationId, completion);
            });
        });
    task->resume();
}

void PUSH::finishSetUp(std::uint64_t generation, bool registered, std::optional<std::string> registrationId,
                       SetupCompletion completion) {
    {
        std::lock_guard lock(mutex_);
        // Torn down or set up again since: this answer is stale.
        if (generation != generation_) return;
        status_ = registered ? ModuleStatus::operational : ModuleStatus::failed;
        registrationId_ = std::move(registrationId);
    }
    if (completion) completion(registered ? OperationResult::success : OperationResult::error);
}

bool PUSH::handleURL(const Url& url) {
    const auto delegate = urlHandlingDelegate();
    if (!delegate) return false;
    std::weak_ptr<VQZTSdkURLHandlingDelegate> weakDelegate = delegate;
    MainQueue::async([weakDelegate, url] {
        if (const auto target = weakDelegate.lock()) target->vqzt_handleURL(url, "URL");
    });
    return true;
}

bool PUSH::showInAppMessage() {
    const auto delegate = eventDelegate();
    if (!delegate) return false;
    const Json message = {{"id", "in-app-message"}};
    if (!delegate->vqzt_shouldShow(message)) return false;
    {
        std::lock_guard lock(mutex_);
        inAppMessageShown_ = true;
    }
    std::weak_ptr<VQZTSdkInAppMessageEventDelegate> weakDelegate = delegate;
    MainQueue::async([weakDelegate, message] {
        if (const auto target = weakDelegate.lock()) target->vqzt_didShow(message);
    });
    return true;
}

bool PUSH::closeInAppMessage() {
    {
        std::lock_guard lock(mutex_);
        if (!inAppMessageShown_) return false;
        inAppMessageShown_ = false;
    }
    const auto delegate = eventDelegate();
    if (!delegate) return true;
    std::weak_ptr<VQZTSdkInAppMessageEventDelegate> weakDelegate = delegate;
    MainQueue::async([weakDelegate] {
        if (const auto target = weakDelegate.lock()) target->vqzt_didClose(Json{{"id", "in-app-message"}});
    });
    return true;
}

void PUSH::resetForTesting() {
    std::lock_guard lock(mutex_);
    ++generation_;
    status_ = ModuleStatus::notInitialized;
    config_.reset();
    registrationId_.reset();
    deviceId_.reset();
    pushEnabled_ = false;
    watchingLocation_ = false;
    debugLogging_ = false;
    inAppMessageShown_ = false;
    refreshCount_ = 0;
    lastRequest_.reset();
    urlDelegate_.reset();
    eventDelegate_.reset();
}

} // namespace platform::zentari
