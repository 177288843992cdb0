#include "Platform/Foundation/HttpEngine.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <algorithm>
#include <cmath>

namespace platform {

namespace httpengine {

void ensureCurlInitialized() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Error transferError(long code, const HttpRequest& request, std::string_view detail) {
    auto error = makeURLError(code, request.url ? request.url->absoluteString() : std::string());
    if (!detail.empty()) {
        error.userInfo["NSDebugDescription"] = std::string(detail);
    }
    return error;
}

} // namespace httpengine

using namespace httpengine;

namespace {

constexpr long kMaxPollMilliseconds = 1000;

} // namespace

HttpEngine& HttpEngine::instance() {
    static HttpEngine engine;
    return engine;
}

HttpEngine::HttpEngine() {
    ensureCurlInitialized();
    // Touch the statics the network thread reads so that they outlive it.
    networkSettings();
    HttpCookieStorage::shared();
    reachabilityToken_ = Reachability::addObserver([this](bool) { curl_multi_wakeup(multi_); });
    multi_ = curl_multi_init();
    if (multi_ == nullptr) {
        fatalError("cannot set up the URL-loading engine");
    }
    thread_ = std::thread([this] { run(); });
}

HttpEngine::~HttpEngine() {
    Reachability::removeObserver(reachabilityToken_);
    {
        std::lock_guard lock(commandsMutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    for (auto& [easy, task] : active_) {
        task->transfer_->releaseHandle(multi_);
    }
    active_.clear();
    commands_.clear();
    curl_multi_cleanup(multi_);
}

void HttpEngine::post(std::function<void()> command) {
    {
        std::lock_guard lock(commandsMutex_);
        if (stopping_) {
            return;
        }
        commands_.push_back(std::move(command));
    }
    curl_multi_wakeup(multi_);
}

bool HttpEngine::deliver(const std::shared_ptr<HttpDataTask>& task, std::optional<Data> data,
                         std::optional<HttpResponse> response, std::optional<Error> error, bool fromCancel,
                         std::optional<std::filesystem::path> file) {
    HttpCompletion completion;
    HttpDownloadCompletion downloadCompletion;
    std::shared_ptr<BackgroundActivity::Scope> activity;
    {
        std::lock_guard lock(task->mutex_);
        if (task->state_ == HttpDataTask::State::completed ||
            (task->state_ == HttpDataTask::State::canceling && !fromCancel)) {
            return false;
        }
        task->state_ = HttpDataTask::State::completed;
        task->response_ = response;
        task->error_ = error;
        completion = std::move(task->completion_);
        task->completion_ = nullptr;
        downloadCompletion = std::move(task->downloadCompletion_);
        task->downloadCompletion_ = nullptr;
        activity = std::move(task->activity_);
    }
    task->session_->forget(task.get());
    if (!completion && !downloadCompletion) {
        return true;
    }
    if (!activity) {
        activity = std::make_shared<BackgroundActivity::Scope>(); // cancelled before it was resumed
    }
    // The activity ends once the completion has run, which wakes a main thread waiting for it.
    task->session_->delegateQueue()->async(
        [completion = std::move(completion), downloadCompletion = std::move(downloadCompletion),
         data = std::move(data), file = std::move(file), response = std::move(response), error = std::move(error),
         activity = std::move(activity)]() mutable {
            if (downloadCompletion) {
                downloadCompletion(std::move(file), std::move(response), std::move(error));
            } else {
                completion(std::move(data), std::move(response), std::move(error));
            }
            activity.reset();
        });
    return true;
}

void HttpEngine::deliverBody(const std::shared_ptr<HttpDataTask>& task, HttpResponse response) {
    auto& transfer = *task->transfer_;
    if (!task->destination_) {
        deliver(task, std::move(transfer.body), std::move(response), std::nullopt);
        return;
    }
    auto file = transfer.takeFile();
    if (!file) {
        deliver(task, std::nullopt, std::nullopt, transferError(URLError::cannotWriteToFile, task->currentRequest()));
        return;
    }
    if (!deliver(task, std::nullopt, std::move(response), std::nullopt, false, file)) {
        std::error_code ignored;
        std::filesystem::remove(*file, ignored); // cancelled meanwhile: nobody takes it
    }
}

void HttpEngine::start(const std::shared_ptr<HttpDataTask>& task) {
    if (task->state() != HttpDataTask::State::running) {
        return;
    }
    startHop(task);
}

void HttpEngine::abort(const std::shared_ptr<HttpDataTask>& task) {
    auto& transfer = *task->transfer_;
    if (transfer.easy != nullptr) {
        active_.erase(transfer.easy);
        transfer.releaseHandle(multi_);
    }
    transfer.discardFile();
}

void HttpEngine::run() {
    while (true) {
        std::vector<std::function<void()>> commands;
        {
            std::lock_guard lock(commandsMutex_);
            if (stopping_) {
                return;
            }
            commands.swap(commands_);
        }
        for (auto& command : commands) {
            command();
        }
        commands.clear();
        if (Reachability::isOffline()) {
            failAll(URLError::notConnectedToInternet);
        }
        failIdleTransfers();

        int running = 0;
        curl_multi_perform(multi_, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
            if (message->msg == CURLMSG_DONE) {
                CURL* easy = message->easy_handle;
                CURLcode result = message->data.result;
                hopFinished(easy, result);
            }
        }
        curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMilliseconds()), nullptr);
    }
}

long HttpEngine::waitMilliseconds() const {
    long wait = kMaxPollMilliseconds;
    auto now = SteadyClock::now();
    for (const auto& [easy, task] : active_) {
        const auto& transfer = *task->transfer_;
        auto deadline = transfer.lastActivity + std::chrono::duration_cast<SteadyClock::duration>(
                                                    std::chrono::duration<double>(transfer.timeout));
        auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        wait = std::clamp<long>(static_cast<long>(remaining), 0, wait);
    }
    return wait;
}

template <typename Predicate>
std::vector<std::shared_ptr<HttpDataTask>> HttpEngine::takeActive(Predicate predicate) {
    std::vector<std::shared_ptr<HttpDataTask>> taken;
    for (auto it = active_.begin(); it != active_.end();) {
        if (predicate(*it->second)) {
            it->second->transfer_->releaseHandle(multi_);
            it->second->transfer_->discardFile();
            taken.push_back(std::move(it->second));
            it = active_.erase(it);
        } else {
            ++it;
        }
    }
    return taken;
}

void HttpEngine::failAll(long code) {
    auto tasks = takeActive([](const HttpDataTask&) { return true; });
    for (auto& task : tasks) {
        deliver(task, std::nullopt, std::nullopt, transferError(code, task->currentRequest()));
    }
}

void HttpEngine::failIdleTransfers() {
    auto now = SteadyClock::now();
    auto tasks = takeActive([&](const HttpDataTask& task) {
        const auto& transfer = *task.transfer_;
        return std::chrono::duration<double>(now - transfer.lastActivity).count() >= transfer.timeout;
    });
    for (auto& task : tasks) {
        deliver(task, std::nullopt, std::nullopt, transferError(URLError::timedOut, task->currentRequest()));
    }
}

} // namespace platform
