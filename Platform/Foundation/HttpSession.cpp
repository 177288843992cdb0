#include "Platform/Foundation/HttpSession.hpp"

#include "Platform/Foundation/HttpEngine.hpp"

namespace platform {

using httpengine::networkSettings;

httpengine::NetworkSettings& httpengine::networkSettings() {
    static NetworkSettings settings;
    return settings;
}

// ---------------------------------------------------------------------------
// HttpSessionDelegate, HttpSessionConfiguration

void HttpSessionDelegate::willPerformHTTPRedirection(HttpSession&, HttpDataTask&, const HttpResponse&,
                                                     HttpRequest newRequest,
                                                     std::function<void(std::optional<HttpRequest>)> completionHandler) {
    completionHandler(std::move(newRequest));
}

HttpSessionConfiguration HttpSessionConfiguration::defaultConfiguration() { return HttpSessionConfiguration{}; }

HttpSessionConfiguration HttpSessionConfiguration::ephemeralConfiguration() {
    HttpSessionConfiguration configuration;
    configuration.httpShouldSetCookies = false;
    return configuration;
}

// ---------------------------------------------------------------------------
// HttpSession

HttpSession::HttpSession(HttpSessionConfiguration configuration, std::weak_ptr<HttpSessionDelegate> delegate,
                         std::shared_ptr<DispatchQueue> delegateQueue)
    : configuration_(std::move(configuration)), delegate_(std::move(delegate)),
      delegateQueue_(std::move(delegateQueue)) {}

HttpSession::~HttpSession() = default;

std::shared_ptr<HttpSession> HttpSession::shared() {
    static const auto session = create(HttpSessionConfiguration::defaultConfiguration());
    return session;
}

std::shared_ptr<HttpSession> HttpSession::ephemeral() {
    static const auto session = create(HttpSessionConfiguration::ephemeralConfiguration());
    return session;
}

std::shared_ptr<HttpSession> HttpSession::create(HttpSessionConfiguration configuration,
                                                 std::shared_ptr<HttpSessionDelegate> delegate,
                                                 std::shared_ptr<DispatchQueue> delegateQueue) {
    HttpEngine::instance(); // started before the first session, stopped after the last static one
    if (!delegateQueue) {
        delegateQueue = DispatchQueue::makeSerial("HttpSession.delegateQueue");
    }
    return std::shared_ptr<HttpSession>(
        new HttpSession(std::move(configuration), std::move(delegate), std::move(delegateQueue)));
}

std::shared_ptr<HttpDataTask> HttpSession::dataTask(HttpRequest request, HttpCompletion completion) {
    std::lock_guard lock(mutex_);
    return track(std::shared_ptr<HttpDataTask>(new HttpDataTask(
        shared_from_this(), std::move(request), std::move(completion), nextTaskIdentifier_++, invalidated_)));
}

std::shared_ptr<HttpDataTask> HttpSession::downloadTask(HttpRequest request, HttpDownloadDestination destination,
                                                        HttpDownloadCompletion completion) {
    std::lock_guard lock(mutex_);
    return track(std::shared_ptr<HttpDataTask>(new HttpDataTask(shared_from_this(), std::move(request),
                                                                std::move(destination), std::move(completion),
                                                                nextTaskIdentifier_++, invalidated_)));
}

// Called with mutex_ held.
std::shared_ptr<HttpDataTask> HttpSession::track(std::shared_ptr<HttpDataTask> task) {
    std::erase_if(tasks_, [](const std::weak_ptr<HttpDataTask>& entry) { return entry.expired(); });
    tasks_.push_back(task);
    return task;
}

std::shared_ptr<HttpDataTask> HttpSession::dataTask(const Url& url, HttpCompletion completion) {
    return dataTask(HttpRequest(url), std::move(completion));
}

std::shared_ptr<HttpDataTask> HttpSession::send(HttpRequest request, HttpCompletion completion) {
    auto task = dataTask(std::move(request), std::move(completion));
    task->resume();
    return task;
}

void HttpSession::invalidateAndCancel() {
    std::vector<std::weak_ptr<HttpDataTask>> tasks;
    {
        std::lock_guard lock(mutex_);
        invalidated_ = true;
        tasks.swap(tasks_);
    }
    for (const auto& entry : tasks) {
        if (auto task = entry.lock()) {
            task->cancel();
        }
    }
}

void HttpSession::finishTasksAndInvalidate() {
    std::lock_guard lock(mutex_);
    invalidated_ = true;
}

bool HttpSession::isInvalidated() const {
    std::lock_guard lock(mutex_);
    return invalidated_;
}

void HttpSession::forget(const HttpDataTask* task) {
    std::lock_guard lock(mutex_);
    std::erase_if(tasks_, [task](const std::weak_ptr<HttpDataTask>& entry) {
        auto locked = entry.lock();
        return !locked || locked.get() == task;
    });
}

void HttpSession::setHostMapping(std::string_view from, std::string_view to) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings[std::string(from)] = std::string(to);
}

void HttpSession::removeHostMapping(std::string_view from) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings.erase(std::string(from));
}

void HttpSession::removeAllHostMappings() {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.hostMappings.clear();
}

void HttpSession::setCAFile(std::optional<std::filesystem::path> path) {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    settings.caFile = std::move(path);
}

std::optional<std::filesystem::path> HttpSession::caFile() {
    auto& settings = networkSettings();
    std::lock_guard lock(settings.mutex);
    return settings.caFile;
}

void HttpSession::removeAllCookies() { HttpCookieStorage::shared()->removeAllCookies(); }

} // namespace platform
