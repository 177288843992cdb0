#include "Platform/Web/WebViewLoad.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Web/PageContent.hpp"

#include <atomic>

// The steps of a load, from the app's decision on the action to the finish or
// the failure. Each step checks that its load is still the current one: a
// newer load, stopLoading() or the view's end makes every later step of an
// older load a no-op.

namespace platform::web {

namespace {

/// What the view accepts, sent with each page request.
constexpr std::string_view kAcceptHeader = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
/// A file outside the folder the app allowed the view to read.
constexpr long kNoPermissionsToReadFile = -1102;

Error webKitError(long code, std::string_view description, const std::optional<Url>& url) {
    Json userInfo = Json::object();
    userInfo[std::string(kLocalizedDescriptionKey)] = std::string(description);
    if (url) {
        userInfo[std::string(kErrorFailingURLStringKey)] = url->absoluteString();
    }
    return Error(std::string(kWebKitErrorDomain), code, std::move(userInfo));
}

/// A decision the app makes once, now or later, from any thread. It is carried
/// out on a later turn of the main queue, so that a delegate never sees the
/// next step of a load from inside its own decision. A handler dropped unused
/// counts as `fallback`.
template <class Policy>
class Decision {
public:
    Decision(std::string what, Policy fallback, std::function<void(Policy)> then)
        : what_(std::move(what)), fallback_(fallback), then_(std::move(then)) {}
    Decision(const Decision&) = delete;
    Decision& operator=(const Decision&) = delete;

    ~Decision() {
        if (!decided_.exchange(true)) {
            Console::log("Warning: the decision handler passed to " + what_ + " was not called");
            post(fallback_);
        }
    }

    void decide(Policy policy) {
        if (decided_.exchange(true)) {
            Console::log("Warning: the decision handler passed to " + what_ + " was called more than once");
            return;
        }
        post(policy);
    }

    static std::function<void(Policy)> handler(std::string what, Policy fallback, std::function<void(Policy)> then) {
        auto decision = std::make_shared<Decision>(std::move(what), fallback, std::move(then));
        return [decision](Policy policy) { decision->decide(policy); };
    }

private:
    void post(Policy policy) {
        MainQueue::async([then = then_, policy] { then(policy); });
    }

    std::string what_;
    Policy fallback_;
    std::function<void(Policy)> then_;
    std::atomic<bool> decided_{false};
};

} // namespace

// ---------------------------------------------------------------------------
// Deciding

std::shared_ptr<Navigation> WebView::start(const std::shared_ptr<Load>& load, NavigationAction action) {
    interrupt();
    current_ = load;
    load->work();
    std::weak_ptr<WebView> weak = shared();
    // The delegate hears of the load once the caller's turn of the main queue is over.
    MainQueue::async([weak, load, action = std::move(action)] {
        auto view = weak.lock();
        if (!view || !view->isCurrent(load)) {
            return;
        }
        view->decideAction(load, action, [weak, load](NavigationActionPolicy policy) {
            auto view = weak.lock();
            if (!view || !view->isCurrent(load)) {
                return;
            }
            if (policy == NavigationActionPolicy::cancel) {
                // Cancelled by the app's policy: not an error, and nothing more is told.
                view->current_.reset();
                load->end();
                return;
            }
            view->beginProvisional(load);
        });
    });
    return load->navigation;
}

void WebView::decideAction(const std::shared_ptr<Load>& load, const NavigationAction& action,
                           std::function<void(NavigationActionPolicy)> then) {
    if (load) {
        load->awaitDecision();
    }
    auto handler = Decision<NavigationActionPolicy>::handler("decidePolicyForNavigationAction",
                                                             NavigationActionPolicy::cancel, std::move(then));
    auto self = shared();
    if (auto delegate = navigationDelegate()) {
        delegate->decidePolicyForNavigationAction(*this, action, std::move(handler));
    } else {
        handler(NavigationActionPolicy::allow);
    }
}

// ---------------------------------------------------------------------------
// The provisional load

void WebView::beginProvisional(const std::shared_ptr<Load>& load) {
    load->advance(Load::Stage::provisional);
    auto self = shared();
    setLoading(true);
    setProgress(0.1);
    if (auto delegate = navigationDelegate()) {
        delegate->didStartProvisionalNavigation(*this, load->navigation);
    }
    if (!isCurrent(load)) {
        return;
    }
    switch (load->source) {
    case Load::Source::network:
        fetch(load);
        return;
    case Load::Source::file:
        loadFile(load);
        return;
    case Load::Source::htmlString: {
        NavigationResponse response;
        response.url = load->request.url;
        response.mimeType = load->mimeType;
        respond(load, std::move(response), load->document);
        return;
    }
    case Load::Source::blank:
        commit(load, load->request.url.value_or(blankURL()), {}, "text/html");
        return;
    case Load::Source::history:
        commit(load, load->historyItem->url(), load->historyItem->document(), load->historyItem->mimeType());
        return;
    case Load::Source::unsupported:
        failProvisional(load, makeURLError(URLError::unsupportedURL,
                                           load->request.url ? load->request.url->absoluteString() : ""));
        return;
    }
}

void WebView::fetch(const std::shared_ptr<Load>& load) {
    if (!session_) {
        auto configuration = HttpSessionConfiguration::defaultConfiguration();
        configuration.httpCookieStorage = configuration_->websiteDataStore->httpCookieStore()->storage();
        session_ = HttpSession::create(std::move(configuration), relay_);
    }
    auto request = load->request;
    if (!request.value("User-Agent")) {
        request.setValue(userAgent(), "User-Agent");
    }
    if (!request.value("Accept")) {
        request.setValue(std::string(kAcceptHeader), "Accept");
    }
    std::weak_ptr<WebView> weak = shared();
    load->task = session_->dataTask(std::move(request), [weak, load](std::optional<Data> data,
                                                                      std::optional<HttpResponse> response,
                                                                      std::optional<Error> error) {
        MainQueue::async([weak, load, data = std::move(data), response = std::move(response),
                          error = std::move(error)]() mutable {
            if (auto view = weak.lock()) {
                view->fetched(load, std::move(data), std::move(response), std::move(error));
            }
        });
    });
    load->task->resume();
}

void WebView::redirected(const std::shared_ptr<HttpDataTask>& task, HttpRequest request,
                         std::function<void(std::optional<HttpRequest>)> completionHandler) {
    auto load = current_;
    if (!load || load->task != task || load->stage() != Load::Stage::provisional) {
        completionHandler(std::nullopt);
        return;
    }
    // Cookies of the redirect are in the jar already; keep the file in step.
    configuration_->websiteDataStore->httpCookieStore()->synchronize();
    load->request = request;
    auto frame = mainFrameInfo();
    NavigationAction action{request, load->type, frame, frame};
    std::weak_ptr<WebView> weak = shared();
    decideAction(load, action, [weak, load, request, completionHandler](NavigationActionPolicy policy) {
        auto view = weak.lock();
        if (!view || !view->isCurrent(load)) {
            completionHandler(std::nullopt);
            return;
        }
        load->work();
        if (policy == NavigationActionPolicy::cancel) {
            // A redirect the app refuses ends a load that has already started:
            // the platform reports it as an interrupted frame load.
            completionHandler(std::nullopt);
            view->failProvisional(load, webKitError(WebKitError::frameLoadInterruptedByPolicyChange,
                                                    "Frame load interrupted", request.url));
            return;
        }
        if (auto delegate = view->navigationDelegate()) {
            delegate->didReceiveServerRedirectForProvisionalNavigation(*view, load->navigation);
        }
        completionHandler(request);
    });
}

void WebView::fetched(const std::shared_ptr<Load>& load, std::optional<Data> data,
                      std::optional<HttpResponse> response, std::optional<Error> error) {
    if (!isCurrent(load) || load->stage() != Load::Stage::provisional) {
        return;
    }
    load->task.reset();
    configuration_->websiteDataStore->httpCookieStore()->synchronize();
    if (error || !response) {
        failProvisional(load, error.value_or(makeURLError(URLError::badServerResponse)));
        return;
    }
    NavigationResponse navigationResponse;
    navigationResponse.url = response->url();
    // A server that names no type is taken to send a page.
    navigationResponse.mimeType = response->mimeType().value_or("text/html");
    navigationResponse.httpResponse = std::move(response);
    std::string document;
    if (data) {
        document.assign(data->begin(), data->end());
    }
    respond(load, std::move(navigationResponse), std::move(document));
}

void WebView::loadFile(const std::shared_ptr<Load>& load) {
    const auto& url = *load->request.url;
    auto failing = url.absoluteString();
    if (!url.isFileURL()) {
        failProvisional(load, makeURLError(URLError::unsupportedURL, failing));
        return;
    }
    // Checked on what the paths resolve to, so that neither ".." nor a
    // symbolic link reaches a file outside the folder the app allowed.
    auto path = url.filePath();
    auto access = load->readAccessURL ? load->readAccessURL->filePath() : path;
    if (!resolvesWithin(path, access)) {
        auto error = makeURLError(kNoPermissionsToReadFile, failing);
        error.userInfo[std::string(kLocalizedDescriptionKey)] =
            "The file couldn't be opened because you don't have permission to view it.";
        failProvisional(load, error);
        return;
    }
    auto data = readFile(path);
    if (!data || FileManager::defaultManager().isDirectory(path)) {
        failProvisional(load, makeURLError(URLError::fileDoesNotExist, failing));
        return;
    }
    NavigationResponse response;
    response.url = url;
    response.mimeType = mimeTypeForExtension(url.pathExtension());
    response.canShowMIMEType = canShow(*response.mimeType);
    respond(load, std::move(response), std::string(data->begin(), data->end()));
}

void WebView::respond(const std::shared_ptr<Load>& load, NavigationResponse response, std::string document) {
    if (response.mimeType) {
        response.canShowMIMEType = canShow(*response.mimeType);
    }
    load->awaitDecision();
    awaitingResponseDecision_ = true;
    std::weak_ptr<WebView> weak = shared();
    auto handler = Decision<NavigationResponsePolicy>::handler(
        "decidePolicyForNavigationResponse", NavigationResponsePolicy::cancel,
        [weak, load, response, document = std::move(document)](NavigationResponsePolicy policy) mutable {
            auto view = weak.lock();
            if (!view || !view->isCurrent(load)) {
                return;
            }
            view->awaitingResponseDecision_ = false;
            auto url = response.url.value_or(blankURL());
            if (policy == NavigationResponsePolicy::cancel) {
                // The page has started to arrive; refusing it interrupts the frame's load.
                view->failProvisional(load, webKitError(WebKitError::frameLoadInterruptedByPolicyChange,
                                                        "Frame load interrupted", url));
                return;
            }
            if (!response.canShowMIMEType) {
                view->failProvisional(load, webKitError(WebKitError::cannotShowMIMEType,
                                                        "Content with specified MIME type can't be shown", url));
                return;
            }
            view->commit(load, url, std::move(document), response.mimeType.value_or("text/html"));
        });
    auto self = shared();
    if (auto delegate = navigationDelegate()) {
        delegate->decidePolicyForNavigationResponse(*this, response, std::move(handler));
    } else {
        handler(NavigationResponsePolicy::allow);
    }
}

// ---------------------------------------------------------------------------
// Commit, finish, failure

void WebView::commit(const std::shared_ptr<Load>& load, const Url& url, std::string document, std::string mimeType) {
    load->advance(Load::Stage::committed);
    auto self = shared();
    auto title = isHTML(mimeType) ? extractTitle(document) : std::string();
    if (load->type == NavigationType::backForward && load->historyItem) {
        backForwardList_.moveTo(load->historyItem);
    } else {
        auto initial = load->navigation->request().url.value_or(url);
        auto item = std::make_shared<BackForwardListItem>(url, initial, title, document, mimeType);
        if (load->replacesCurrentItem) {
            backForwardList_.replaceCurrent(std::move(item));
        } else {
            backForwardList_.push(std::move(item));
        }
    }
    document_ = std::move(document);
    documentMIMEType_ = std::move(mimeType);
    ++pageGeneration_;
    setProgress(0.9);
    setURL(url);
    setTitle(std::move(title));
    historyMayHaveChanged();
    flushDeferredAnswers();
    if (!isCurrent(load)) {
        return;
    }
    if (auto delegate = navigationDelegate()) {
        delegate->didCommit(*this, load->navigation);
    }
    if (!isCurrent(load)) {
        return;
    }
    std::weak_ptr<WebView> weak = shared();
    MainQueue::async([weak, load] {
        if (auto view = weak.lock()) {
            view->finish(load);
        }
    });
}

void WebView::finish(const std::shared_ptr<Load>& load) {
    if (!isCurrent(load)) {
        return;
    }
    current_.reset();
    auto self = shared();
    setLoading(false);
    setProgress(1.0);
    if (auto delegate = navigationDelegate()) {
        delegate->didFinish(*this, load->navigation);
    }
    load->end();
}

void WebView::failProvisional(const std::shared_ptr<Load>& load, const Error& error) {
    if (current_ == load) {
        current_.reset();
    }
    load->cancelTask();
    awaitingResponseDecision_ = false;
    auto self = shared();
    flushDeferredAnswers();
    setLoading(false);
    if (auto delegate = navigationDelegate()) {
        delegate->didFailProvisionalNavigation(*this, load->navigation, error);
    }
    load->end();
}

// A load stopped by the app, or replaced by a newer one, ends as the platform
// ends it: with URLError::cancelled (-999), before the commit through
// didFailProvisionalNavigation, after it through didFail.
void WebView::interrupt() {
    auto load = std::move(current_);
    current_.reset();
    if (!load) {
        return;
    }
    load->cancelTask();
    awaitingResponseDecision_ = false;
    flushDeferredAnswers();
    if (load->stage() == Load::Stage::deciding) {
        // The app had not let it start: it simply never happens.
        load->end();
        return;
    }
    setLoading(false);
    // Told on the next turn of the main queue: the caller (load, stopLoading) is
    // not re-entered by the delegate.
    auto failing = load->request.url ? load->request.url->absoluteString() : std::string();
    bool committed = load->stage() == Load::Stage::committed;
    std::weak_ptr<WebView> weak = shared();
    MainQueue::async([weak, load, committed, error = makeURLError(URLError::cancelled, failing)] {
        auto view = weak.lock();
        if (!view) {
            return;
        }
        if (auto delegate = view->navigationDelegate()) {
            if (committed) {
                delegate->didFail(*view, load->navigation, error);
            } else {
                delegate->didFailProvisionalNavigation(*view, load->navigation, error);
            }
        }
        load->end();
    });
}

void WebView::stopLoading() { interrupt(); }

} // namespace platform::web
