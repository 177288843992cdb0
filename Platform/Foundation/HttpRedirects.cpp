#include "Platform/Foundation/HttpEngine.hpp"

#include <atomic>

namespace platform {

using namespace httpengine;

/// The delegate's answer to one redirect: given once; a handler dropped
/// without an answer stops at the redirect.
class HttpEngine::RedirectAnswer {
public:
    explicit RedirectAnswer(std::shared_ptr<HttpDataTask> task) : task_(std::move(task)) {}
    ~RedirectAnswer() { answer(std::nullopt); }
    RedirectAnswer(const RedirectAnswer&) = delete;
    RedirectAnswer& operator=(const RedirectAnswer&) = delete;

    void answer(std::optional<HttpRequest> request) {
        if (answered_.exchange(true)) {
            return;
        }
        HttpEngine::instance().post([task = task_, request = std::move(request)]() mutable {
            HttpEngine::instance().redirectAnswered(task, std::move(request));
        });
    }

private:
    std::shared_ptr<HttpDataTask> task_;
    std::atomic<bool> answered_{false};
};

/// The request that follows a redirect from `from` to `target`. Credentials
/// set on the request stay with the origin they were meant for: a redirect
/// that changes scheme, host or port drops them (the cookie jar still adds
/// the new origin's own cookies).
HttpRequest HttpEngine::redirectedRequest(const HttpRequest& request, const Url& from, Url target, long status) {
    HttpRequest next = request;
    if (!isSameOrigin(from, target)) {
        for (auto name : kCredentialHeaders) {
            next.allHTTPHeaderFields.remove(name);
        }
    }
    next.url = std::move(target);
    bool becomesGet = (status == 303 && next.httpMethod != "HEAD") ||
                      ((status == 301 || status == 302) && next.httpMethod == "POST");
    if (becomesGet) {
        next.httpMethod = "GET";
        next.httpBody.reset();
        next.allHTTPHeaderFields.remove("Content-Type");
        next.allHTTPHeaderFields.remove("Content-Length");
    }
    return next;
}

void HttpEngine::redirect(const std::shared_ptr<HttpDataTask>& task, HttpResponse response, HttpRequest next) {
    auto& transfer = *task->transfer_;
    const auto& session = task->session_;
    if (transfer.redirectsFollowed >= session->configuration().maximumRedirects) {
        transfer.discardFile();
        deliver(task, std::nullopt, std::nullopt,
                transferError(URLError::httpTooManyRedirects, task->currentRequest()));
        return;
    }
    if (!session->delegate_.lock()) {
        follow(task, std::move(next));
        return;
    }
    transfer.waitingForDelegate = true;
    transfer.pendingRedirect = response;
    auto answer = std::make_shared<RedirectAnswer>(task);
    session->delegateQueue()->async([task, answer, response = std::move(response), next = std::move(next)]() {
        auto delegate = task->session_->delegate_.lock();
        if (!delegate) {
            answer->answer(next);
            return;
        }
        delegate->willPerformHTTPRedirection(
            *task->session_, *task, response, next,
            [answer](std::optional<HttpRequest> request) { answer->answer(std::move(request)); });
    });
}

void HttpEngine::follow(const std::shared_ptr<HttpDataTask>& task, HttpRequest next) {
    ++task->transfer_->redirectsFollowed;
    {
        std::lock_guard lock(task->mutex_);
        task->currentRequest_ = std::move(next);
    }
    startHop(task);
}

void HttpEngine::redirectAnswered(const std::shared_ptr<HttpDataTask>& task, std::optional<HttpRequest> answer) {
    auto& transfer = *task->transfer_;
    if (!transfer.waitingForDelegate) {
        return;
    }
    transfer.waitingForDelegate = false;
    auto redirect = std::move(transfer.pendingRedirect);
    transfer.pendingRedirect.reset();
    if (task->state() != HttpDataTask::State::running) {
        return;
    }
    if (answer) {
        follow(task, std::move(*answer));
    } else if (redirect) {
        deliverBody(task, std::move(*redirect));
    }
}

} // namespace platform
