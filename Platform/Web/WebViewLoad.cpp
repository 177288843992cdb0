#include "Platform/Web/WebViewLoad.hpp"

namespace platform::web {

void WebView::Load::work() {
    if (!ended_ && !activity_) activity_.emplace();
}

void WebView::Load::advance(Stage stage) {
    stage_ = stage;
    work();
}

void WebView::Load::awaitDecision() { activity_.reset(); }

void WebView::Load::cancelTask() {
    if (!task) return;
    task->cancel();
    task.reset();
}

void WebView::Load::end() {
    ended_ = true;
    activity_.reset();
}

void WebView::RedirectRelay::willPerformHTTPRedirection(
    HttpSession&, HttpDataTask& task, const HttpResponse&, HttpRequest newRequest,
    std::function<void(std::optional<HttpRequest>)> completionHandler) {
    MainQueue::async([view = view_, task = task.shared_from_this(), newRequest = std::move(newRequest),
                      completionHandler = std::move(completionHandler)]() mutable {
        auto webView = view.lock();
        if (!webView) {
            completionHandler(std::nullopt);
            return;
        }
        webView->redirected(task, std::move(newRequest), std::move(completionHandler));
    });
}

} // namespace platform::web
