#pragma once

// Shared pieces of the web view tests: a navigation delegate that records what
// it is told and decides with functions the test sets, and waits for loads.

#include "Platform/Web/WebView.hpp"
#include "tests/support/TestSupport.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace webtest {

inline platform::Url url(std::string_view text) {
    auto parsed = platform::Url::parse(text);
    if (!parsed) {
        throw std::invalid_argument("bad test URL");
    }
    return *parsed;
}

/// Records every call as a line ("action other https://…", "response 403 …",
/// "failProvisional WebKitErrorDomain 102", ...) and decides with the two
/// functions (both allow unless set).
class RecordingNavigationDelegate : public platform::web::NavigationDelegate {
public:
    using ActionDecider = std::function<platform::web::NavigationActionPolicy(const platform::web::NavigationAction&)>;
    using ResponseDecider =
        std::function<platform::web::NavigationResponsePolicy(const platform::web::NavigationResponse&)>;

    std::vector<std::string> events;
    std::vector<platform::web::NavigationAction> actions;
    std::vector<platform::web::NavigationResponse> responses;
    std::vector<platform::Error> errors;
    ActionDecider decideAction;
    ResponseDecider decideResponse;
    /// Runs inside the response decision, before the handler is called.
    std::function<void(platform::web::WebView&)> duringResponseDecision;
    bool everOffMainThread = false;

    void decidePolicyForNavigationAction(
        platform::web::WebView&, const platform::web::NavigationAction& action,
        std::function<void(platform::web::NavigationActionPolicy)> decisionHandler) override {
        note();
        actions.push_back(action);
        events.push_back("action " + platform::web::description(action.navigationType) + " " +
                         (action.request.url ? action.request.url->absoluteString() : "<none>") +
                         (action.targetFrame ? "" : " new-window"));
        decisionHandler(decideAction ? decideAction(action) : platform::web::NavigationActionPolicy::allow);
    }

    void decidePolicyForNavigationResponse(
        platform::web::WebView& webView, const platform::web::NavigationResponse& response,
        std::function<void(platform::web::NavigationResponsePolicy)> decisionHandler) override {
        note();
        responses.push_back(response);
        events.push_back("response " +
                         (response.httpResponse ? std::to_string(response.httpResponse->statusCode()) : "-") + " " +
                         (response.url ? response.url->absoluteString() : "<none>"));
        if (duringResponseDecision) {
            duringResponseDecision(webView);
        }
        decisionHandler(decideResponse ? decideResponse(response) : platform::web::NavigationResponsePolicy::allow);
    }

    void didStartProvisionalNavigation(platform::web::WebView&,
                                       const std::shared_ptr<platform::web::Navigation>&) override {
        note();
        events.push_back("start");
    }
    void didReceiveServerRedirectForProvisionalNavigation(platform::web::WebView&,
                                                          const std::shared_ptr<platform::web::Navigation>&) override {
        note();
        events.push_back("redirect");
    }
    void didFailProvisionalNavigation(platform::web::WebView&, const std::shared_ptr<platform::web::Navigation>&,
                                      const platform::Error& error) override {
        note();
        errors.push_back(error);
        events.push_back("failProvisional " + error.domain + " " + std::to_string(error.code));
    }
    void didCommit(platform::web::WebView&, const std::shared_ptr<platform::web::Navigation>&) override {
        note();
        events.push_back("commit");
    }
    void didFinish(platform::web::WebView&, const std::shared_ptr<platform::web::Navigation>&) override {
        note();
        events.push_back("finish");
    }
    void didFail(platform::web::WebView&, const std::shared_ptr<platform::web::Navigation>&,
                 const platform::Error& error) override {
        note();
        errors.push_back(error);
        events.push_back("fail " + error.domain + " " + std::to_string(error.code));
    }

    /// Whether the last event ends a load (finish or a failure).
    bool settled() const {
        if (events.empty()) {
            return false;
        }
        const auto& last = events.back();
        return last == "finish" || last.starts_with("fail");
    }

private:
    void note() { everOffMainThread = everOffMainThread || !platform::MainQueue::isMainThread(); }
};

/// Pumps until the delegate has seen the load end (or a bounded time passed).
inline bool waitForLoad(const RecordingNavigationDelegate& delegate) {
    return testsupport::waitUntil([&] { return delegate.settled(); });
}

} // namespace webtest
