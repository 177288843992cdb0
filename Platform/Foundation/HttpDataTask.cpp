#include "Platform/Foundation/HttpSession.hpp"

#include "Platform/Foundation/HttpEngine.hpp"
#include "Platform/Foundation/Reachability.hpp"

namespace platform {

using httpengine::transferError;

HttpDataTask::HttpDataTask(std::shared_ptr<HttpSession> session, HttpRequest request, HttpCompletion completion,
                           std::uint64_t identifier, bool madeInvalidated)
    : session_(std::move(session)), originalRequest_(request), identifier_(identifier),
      madeInvalidated_(madeInvalidated),
      currentRequest_(std::move(request)), completion_(std::move(completion)),
      transfer_(std::make_unique<Transfer>()) {}

HttpDataTask::HttpDataTask(std::shared_ptr<HttpSession> session, HttpRequest request,
                           HttpDownloadDestination destination, HttpDownloadCompletion completion,
                           std::uint64_t identifier, bool madeInvalidated)
    : session_(std::move(session)), originalRequest_(request), identifier_(identifier),
      madeInvalidated_(madeInvalidated), destination_(std::move(destination)), currentRequest_(std::move(request)),
      downloadCompletion_(std::move(completion)), transfer_(std::make_unique<Transfer>()) {}

HttpDataTask::~HttpDataTask() = default;

void HttpDataTask::resume() {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::suspended) {
            return;
        }
        state_ = State::running;
        activity_ = std::make_shared<BackgroundActivity::Scope>();
    }
    auto self = shared_from_this();
    if (madeInvalidated_) {
        HttpEngine::deliver(self, std::nullopt, std::nullopt, transferError(URLError::cancelled, originalRequest_));
        return;
    }
    if (Reachability::isOffline()) {
        HttpEngine::deliver(self, std::nullopt, std::nullopt,
                            transferError(URLError::notConnectedToInternet, originalRequest_));
        return;
    }
    auto& engine = HttpEngine::instance();
    engine.post([self] { HttpEngine::instance().start(self); });
}

void HttpDataTask::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::completed || state_ == State::canceling) {
            return;
        }
        state_ = State::canceling;
    }
    auto self = shared_from_this();
    HttpEngine::deliver(self, std::nullopt, std::nullopt, transferError(URLError::cancelled, currentRequest()), true);
    HttpEngine::instance().post([self] { HttpEngine::instance().abort(self); });
}

HttpDataTask::State HttpDataTask::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

HttpRequest HttpDataTask::currentRequest() const {
    std::lock_guard lock(mutex_);
    return currentRequest_;
}

std::optional<HttpResponse> HttpDataTask::response() const {
    std::lock_guard lock(mutex_);
    return response_;
}

std::optional<Error> HttpDataTask::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

} // namespace platform
