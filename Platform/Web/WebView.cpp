#include "Platform/Web/WebView.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/UI/ViewDump.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>

namespace platform::web {

namespace {

/// The platform's user agent of a web view, before the application name.
constexpr std::string_view kBaseUserAgent =
    "Mozilla/5.0 (Phone; Vellicor Platform 1.0) WebView/1.0 (KHTML, like Gecko)";
constexpr std::string_view kAcceptHeader = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
constexpr std::string_view kOuterHTMLScript = "document.documentElement.outerHTML";
/// What an empty page's document element reads as.
constexpr std::string_view kEmptyDocument = "<html><head></head><body></body></html>";
/// A file outside the folder the app allowed the view to read.
constexpr long kNoPermissionsToReadFile = -1102;

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view space = " \t\r\n\f";
    auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

bool isHTML(std::string_view mimeType) { return mimeType == "text/html" || mimeType == "application/xhtml+xml"; }

/// Content types the view shows itself (a page, text, an image, a document).
bool canShow(std::string_view mimeType) {
    return mimeType.starts_with("text/") || mimeType.starts_with("image/") || mimeType.starts_with("video/") ||
           mimeType.starts_with("audio/") || mimeType == "application/xhtml+xml" || mimeType == "application/xml" ||
           mimeType == "application/json" || mimeType == "application/javascript" || mimeType == "application/pdf";
}

std::string mimeTypeForExtension(std::string_view extension) {
    auto ext = lowercased(extension);
    if (ext == "html" || ext == "htm") return "text/html";
    if (ext == "xhtml") return "application/xhtml+xml";
    if (ext == "txt") return "text/plain";
    if (ext == "css") return "text/css";
    if (ext == "js") return "text/javascript";
    if (ext == "json") return "application/json";
    if (ext == "xml") return "application/xml";
    if (ext == "png") return "image/png";
    if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
    if (ext == "gif") return "image/gif";
    if (ext == "svg") return "image/svg+xml";
    if (ext == "pdf") return "application/pdf";
    return "application/octet-stream";
}

/// The character references a title commonly holds.
std::string decodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> entities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&apos;", "'"}, {"&nbsp;", " "}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, value] : entities) {
                if (text.substr(i).starts_with(entity)) {
                    out += value;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

/// The text of the first <title> element, white space collapsed, as a browser
/// shows it. Pages run no scripts here, so the title the server sent is the
/// page's title.
std::string extractTitle(std::string_view document) {
    auto lower = lowercased(document);
    std::size_t open = 0;
    while ((open = lower.find("<title", open)) != std::string::npos) {
        auto next = open + 6;
        if (next < lower.size() && (lower[next] == '>' || std::isspace(static_cast<unsigned char>(lower[next])))) {
            break;
        }
        open = next;
    }
    if (open == std::string::npos) {
        return {};
    }
    auto start = lower.find('>', open);
    if (start == std::string::npos) {
        return {};
    }
    ++start;
    auto end = lower.find("</title", start);
    if (end == std::string::npos) {
        return {};
    }
    std::string collapsed;
    bool space = false;
    for (char c : decodeEntities(document.substr(start, end - start))) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !collapsed.empty()) {
            collapsed += ' ';
        }
        space = false;
        collapsed += c;
    }
    return collapsed;
}

Error webKitError(long code, std::string_view description, const std::optional<Url>& url) {
    Json userInfo = Json::object();
    userInfo[std::string(kLocalizedDescriptionKey)] = std::string(description);
    if (url) {
        userInfo[std::string(kErrorFailingURLStringKey)] = url->absoluteString();
    }
    return Error(std::string(kWebKitErrorDomain), code, std::move(userInfo));
}

Url blankURL() { return *Url::parse("about:blank"); }

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

std::mutex gFallbackMutex;
JavaScriptResponder gFallbackResponder;

} // namespace

// ---------------------------------------------------------------------------
// Observation

struct WebViewObservation::Registry {
    std::uint64_t next = 1;
    std::map<std::uint64_t, std::pair<WebViewProperty, std::function<void(WebView&)>>> entries;
};

WebViewObservation::~WebViewObservation() { invalidate(); }

void WebViewObservation::invalidate() {
    if (auto registry = registry_.lock()) {
        registry->entries.erase(identifier_);
    }
    registry_.reset();
}

std::shared_ptr<WebViewObservation> WebView::observe(WebViewProperty property, std::function<void(WebView&)> handler,
                                                     bool initial) {
    auto identifier = observers_->next++;
    observers_->entries.emplace(identifier, std::make_pair(property, handler));
    auto observation = std::shared_ptr<WebViewObservation>(new WebViewObservation(observers_, identifier));
    if (initial && handler) {
        handler(*this);
    }
    return observation;
}

void WebView::notify(WebViewProperty property) {
    std::vector<std::uint64_t> identifiers;
    for (const auto& [identifier, entry] : observers_->entries) {
        if (entry.first == property) {
            identifiers.push_back(identifier);
        }
    }
    auto self = shared();
    auto registry = observers_;
    for (auto identifier : identifiers) {
        // An observer may end itself or others while being told.
        auto found = registry->entries.find(identifier);
        if (found == registry->entries.end() || !found->second.second) {
            continue;
        }
        auto handler = found->second.second;
        handler(*self);
    }
}

void WebView::setURL(std::optional<Url> url) {
    if (url_ == url) {
        return;
    }
    url_ = std::move(url);
    notify(WebViewProperty::url);
}

void WebView::setTitle(std::string title) {
    if (title_ == title) {
        return;
    }
    title_ = std::move(title);
    notify(WebViewProperty::title);
}

void WebView::setLoading(bool loading) {
    if (loading_ == loading) {
        return;
    }
    loading_ = loading;
    notify(WebViewProperty::isLoading);
}

void WebView::setProgress(double progress) {
    if (progress_ == progress) {
        return;
    }
    progress_ = progress;
    notify(WebViewProperty::estimatedProgress);
}

void WebView::historyMayHaveChanged() {
    bool back = canGoBack();
    bool forward = canGoForward();
    if (back != couldGoBack_) {
        couldGoBack_ = back;
        notify(WebViewProperty::canGoBack);
    }
    if (forward != couldGoForward_) {
        couldGoForward_ = forward;
        notify(WebViewProperty::canGoForward);
    }
}

// ---------------------------------------------------------------------------
// Creation

/// Asks the web view about each server redirect of its fetches. The session
/// holds it weakly; the web view owns it.
class WebView::RedirectRelay : public HttpSessionDelegate {
public:
    explicit RedirectRelay(std::weak_ptr<WebView> view) : view_(std::move(view)) {}

    void willPerformHTTPRedirection(HttpSession&, HttpDataTask& task, const HttpResponse&, HttpRequest newRequest,
                                    std::function<void(std::optional<HttpRequest>)> completionHandler) override {
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

private:
    std::weak_ptr<WebView> view_;
};

/// A navigation in flight.
struct WebView::Load {
    enum class Source { network, htmlString, file, blank, history, unsupported };
    enum class Stage { deciding, provisional, committed };

    std::shared_ptr<Navigation> navigation;
    Source source = Source::network;
    NavigationType type = NavigationType::other;
    /// The request being loaded (after redirects).
    HttpRequest request;
    /// The page text of an HTML string, or of a page shown again.
    std::string document;
    std::string mimeType = "text/html";
    std::optional<Url> readAccessURL;
    std::shared_ptr<BackForwardListItem> historyItem;
    bool replacesCurrentItem = false;
    Stage stage = Stage::deciding;
    std::shared_ptr<HttpDataTask> task;
    /// Counts the load while it works outside the main thread or is about to
    /// come back to it; released while the app's delegate decides.
    std::unique_ptr<BackgroundActivity::Scope> activity;
};

std::shared_ptr<WebView> WebView::create(ui::Rect frame, const std::shared_ptr<WebViewConfiguration>& configuration) {
    auto own = configuration ? configuration->copy() : WebViewConfiguration::create();
    if (!own->userContentController) {
        own->userContentController = UserContentController::create();
    }
    if (!own->websiteDataStore) {
        own->websiteDataStore = WebsiteDataStore::defaultDataStore();
    }
    auto view = ui::makeView<WebView>(frame, std::move(own));
    view->relay_ = std::make_shared<RedirectRelay>(view);
    return view;
}

WebView::WebView(ui::Rect frame, std::shared_ptr<WebViewConfiguration> configuration)
    : View(frame), configuration_(std::move(configuration)),
      observers_(std::make_shared<WebViewObservation::Registry>()) {}

WebView::~WebView() {
    if (session_) {
        session_->invalidateAndCancel();
    }
}

std::string WebView::userAgent() const {
    if (customUserAgent && !customUserAgent->empty()) {
        return *customUserAgent;
    }
    std::string agent(kBaseUserAgent);
    if (configuration_->applicationNameForUserAgent && !configuration_->applicationNameForUserAgent->empty()) {
        agent += " " + *configuration_->applicationNameForUserAgent;
    }
    return agent;
}

FrameInfo WebView::mainFrameInfo() {
    auto url = url_.value_or(blankURL());
    return FrameInfo{true, HttpRequest(url), SecurityOrigin::of(url), shared()};
}

void WebView::describeState(std::vector<std::string>& parts) const {
    if (url_) {
        parts.push_back("url=" + url_->absoluteString());
    }
    if (!title_.empty()) {
        parts.push_back("title=" + ui::dumpQuoted(title_));
    }
    if (loading_) {
        parts.push_back("loading");
    }
    View::describeState(parts);
}

// ---------------------------------------------------------------------------
// Starting loads

std::shared_ptr<WebView::Load> WebView::makeLoad(HttpRequest request, NavigationType type) {
    auto load = std::make_shared<Load>();
    load->type = type;
    auto url = request.url ? request.url->absoluteURL() : blankURL();
    auto scheme = lowercased(url.scheme().value_or(""));
    if (scheme == "http" || scheme == "https") {
        load->source = Load::Source::network;
    } else if (scheme == "about") {
        load->source = Load::Source::blank;
        load->document.clear();
    } else if (scheme == "file") {
        load->source = Load::Source::file;
        load->readAccessURL = url;
    } else {
        // mailto:, tel:, the app's own schemes...: there is nothing here that loads them.
        load->source = Load::Source::unsupported;
    }
    load->request = std::move(request);
    load->navigation = std::make_shared<Navigation>(nextNavigation_++, load->request, type);
    return load;
}

std::shared_ptr<Navigation> WebView::load(const HttpRequest& request) {
    if (!request.url) {
        return nullptr;
    }
    auto newLoad = makeLoad(request, NavigationType::other);
    auto frame = mainFrameInfo();
    return start(newLoad, NavigationAction{request, NavigationType::other, frame, frame});
}

std::shared_ptr<Navigation> WebView::loadHTMLString(std::string html, std::optional<Url> baseURL) {
    auto url = baseURL.value_or(blankURL());
    auto newLoad = makeLoad(HttpRequest(url), NavigationType::other);
    newLoad->source = Load::Source::htmlString;
    newLoad->document = std::move(html);
    newLoad->mimeType = "text/html";
    auto frame = mainFrameInfo();
    return start(newLoad, NavigationAction{newLoad->request, NavigationType::other, frame, frame});
}

std::shared_ptr<Navigation> WebView::loadFileURL(const Url& url, const Url& readAccessURL) {
    auto newLoad = makeLoad(HttpRequest(url), NavigationType::other);
    newLoad->source = Load::Source::file;
    newLoad->readAccessURL = readAccessURL;
    auto frame = mainFrameInfo();
    return start(newLoad, NavigationAction{newLoad->request, NavigationType::other, frame, frame});
}

std::shared_ptr<Navigation> WebView::reload() {
    auto item = backForwardList_.currentItem();
    if (!item) {
        return nullptr;
    }
    auto newLoad = makeLoad(HttpRequest(item->url()), NavigationType::reload);
    if (newLoad->source != Load::Source::network && newLoad->source != Load::Source::file) {
        // A page made from a string is shown again as it was.
        newLoad->source = Load::Source::history;
        newLoad->historyItem = item;
    }
    newLoad->replacesCurrentItem = true;
    auto frame = mainFrameInfo();
    return start(newLoad, NavigationAction{newLoad->request, NavigationType::reload, frame, frame});
}

std::shared_ptr<Navigation> WebView::goBack() { return go(backForwardList_.backItem()); }

std::shared_ptr<Navigation> WebView::goForward() { return go(backForwardList_.forwardItem()); }

std::shared_ptr<Navigation> WebView::go(const std::shared_ptr<BackForwardListItem>& item) {
    if (!item || item == backForwardList_.currentItem()) {
        return nullptr;
    }
    auto all = backForwardList_.backList();
    auto ahead = backForwardList_.forwardList();
    all.insert(all.end(), ahead.begin(), ahead.end());
    if (std::find(all.begin(), all.end(), item) == all.end()) {
        return nullptr;
    }
    auto newLoad = makeLoad(HttpRequest(item->url()), NavigationType::backForward);
    // Pages come back from the page cache, without a request to the server.
    newLoad->source = Load::Source::history;
    newLoad->historyItem = item;
    auto frame = mainFrameInfo();
    return start(newLoad, NavigationAction{newLoad->request, NavigationType::backForward, frame, frame});
}

void WebView::followLink(const Url& url, NavigationType type, bool opensNewWindow) {
    HttpRequest request(url);
    if (type == NavigationType::formSubmitted || type == NavigationType::formResubmitted) {
        request.httpMethod = "POST";
    }
    auto frame = mainFrameInfo();
    NavigationAction action{request, type, frame, frame};
    if (!opensNewWindow) {
        start(makeLoad(std::move(request), type), std::move(action));
        return;
    }
    action.targetFrame.reset();
    std::weak_ptr<WebView> weak = shared();
    MainQueue::async([weak, action]() mutable {
        if (auto view = weak.lock()) {
            view->decideAction(nullptr, action, [weak, action](NavigationActionPolicy policy) {
                auto view = weak.lock();
                if (view && policy == NavigationActionPolicy::allow) {
                    view->openInNewWindow(action);
                }
            });
        }
    });
}

void WebView::openInNewWindow(const NavigationAction& action) {
    auto delegate = uiDelegate();
    if (!delegate) {
        return;
    }
    auto self = shared();
    auto created = delegate->createWebView(*this, configuration_->copy(), action);
    if (!created || created.get() == this) {
        return;
    }
    auto frame = created->mainFrameInfo();
    created->start(created->makeLoad(action.request, action.navigationType),
                   NavigationAction{action.request, action.navigationType, action.sourceFrame, frame});
}

std::shared_ptr<Navigation> WebView::start(const std::shared_ptr<Load>& load, NavigationAction action) {
    interrupt();
    current_ = load;
    load->activity = std::make_unique<BackgroundActivity::Scope>();
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
        load->activity.reset();
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
    load->stage = Load::Stage::provisional;
    load->activity = std::make_unique<BackgroundActivity::Scope>();
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
    if (!load || load->task != task || load->stage != Load::Stage::provisional) {
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
        load->activity = std::make_unique<BackgroundActivity::Scope>();
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
    if (!isCurrent(load) || load->stage != Load::Stage::provisional) {
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
    auto path = url.filePath().lexically_normal();
    auto access = load->readAccessURL ? load->readAccessURL->filePath().lexically_normal() : path;
    auto relative = path.lexically_relative(access);
    bool allowed = path == access || (!relative.empty() && *relative.begin() != "..");
    if (!allowed) {
        auto error = makeURLError(kNoPermissionsToReadFile, failing);
        error.userInfo[std::string(kLocalizedDescriptionKey)] = "The file couldn't be opened because you don't have permission to view it.";
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
    load->activity.reset();
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
    load->stage = Load::Stage::committed;
    load->activity = std::make_unique<BackgroundActivity::Scope>();
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
    load->activity.reset();
}

void WebView::failProvisional(const std::shared_ptr<Load>& load, const Error& error) {
    if (current_ == load) {
        current_.reset();
    }
    if (load->task) {
        load->task->cancel();
        load->task.reset();
    }
    awaitingResponseDecision_ = false;
    auto self = shared();
    flushDeferredAnswers();
    setLoading(false);
    if (auto delegate = navigationDelegate()) {
        delegate->didFailProvisionalNavigation(*this, load->navigation, error);
    }
    load->activity.reset();
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
    if (load->task) {
        load->task->cancel();
        load->task.reset();
    }
    awaitingResponseDecision_ = false;
    flushDeferredAnswers();
    if (load->stage == Load::Stage::deciding) {
        // The app had not let it start: it simply never happens.
        load->activity.reset();
        return;
    }
    setLoading(false);
    // Told on the next turn of the main queue: the caller (load, stopLoading) is
    // not re-entered by the delegate.
    auto failing = load->request.url ? load->request.url->absoluteString() : std::string();
    bool committed = load->stage == Load::Stage::committed;
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
        load->activity.reset();
    });
}

void WebView::stopLoading() { interrupt(); }

// ---------------------------------------------------------------------------
// Calls into the page

void WebView::setFallbackJavaScriptResponder(JavaScriptResponder responder) {
    std::lock_guard lock(gFallbackMutex);
    gFallbackResponder = std::move(responder);
}

JavaScriptReply WebView::answer(const JavaScriptCall& call) const {
    if (responder_) {
        if (auto reply = responder_(call)) {
            return *reply;
        }
    }
    JavaScriptResponder fallback;
    {
        std::lock_guard lock(gFallbackMutex);
        fallback = gFallbackResponder;
    }
    if (fallback) {
        if (auto reply = fallback(call)) {
            return *reply;
        }
    }
    auto script = trimmed(call.script);
    if (script.ends_with(';')) {
        script = trimmed(script.substr(0, script.size() - 1));
    }
    if (call.kind == JavaScriptCall::Kind::evaluate && script == kOuterHTMLScript) {
        return JavaScriptReply{Json(document_.empty() ? std::string(kEmptyDocument) : document_), std::nullopt};
    }
    return {};
}

void WebView::answerWhenSettled(std::function<void()> answer) {
    if (awaitingResponseDecision_) {
        deferredAnswers_.push_back(std::move(answer));
        return;
    }
    MainQueue::async(std::move(answer));
}

void WebView::flushDeferredAnswers() {
    auto answers = std::move(deferredAnswers_);
    deferredAnswers_.clear();
    for (auto& answer : answers) {
        MainQueue::async(std::move(answer));
    }
}

void WebView::evaluateJavaScript(std::string script, EvaluateCompletion completion) {
    evaluateJavaScript(std::move(script), std::nullopt, ContentWorld::page(), std::move(completion));
}

void WebView::evaluateJavaScript(std::string script, const std::optional<FrameInfo>& frame,
                                 const std::shared_ptr<ContentWorld>& world, EvaluateCompletion completion) {
    JavaScriptCall call;
    call.kind = JavaScriptCall::Kind::evaluate;
    call.script = std::move(script);
    call.inMainFrame = !frame || frame->isMainFrame;
    call.world = (world ? world : ContentWorld::page())->description();
    journal_.push_back(call);
    std::weak_ptr<WebView> weak = shared();
    // Answered on a later turn of the main queue, from the page shown then.
    answerWhenSettled([weak, call = std::move(call), completion = std::move(completion)] {
        auto view = weak.lock();
        if (!completion) {
            return;
        }
        auto reply = view ? view->answer(call) : JavaScriptReply{};
        completion(reply.value, reply.error);
    });
}

void WebView::callAsyncJavaScript(std::string body, Json arguments, const std::optional<FrameInfo>& frame,
                                  const std::shared_ptr<ContentWorld>& world, CallAsyncCompletion completion) {
    JavaScriptCall call;
    call.kind = JavaScriptCall::Kind::callAsync;
    call.script = std::move(body);
    call.arguments = arguments.is_null() ? Json::object() : std::move(arguments);
    call.inMainFrame = !frame || frame->isMainFrame;
    call.world = (world ? world : ContentWorld::page())->description();
    journal_.push_back(call);
    std::weak_ptr<WebView> weak = shared();
    answerWhenSettled([weak, call = std::move(call), completion = std::move(completion)] {
        auto view = weak.lock();
        if (!completion) {
            return;
        }
        auto reply = view ? view->answer(call) : JavaScriptReply{};
        if (reply.error) {
            completion(std::unexpected(*reply.error));
        } else {
            completion(reply.value.value_or(Json()));
        }
    });
}

// ---------------------------------------------------------------------------
// What the page does

UserContentController::Delivery WebView::postScriptMessage(const std::string& name, Json body,
                                                           const PageMessageOptions& options,
                                                           ScriptReplyHandler onReply) {
    auto self = shared();
    auto frameURL = options.frameURL ? *options.frameURL : url_.value_or(blankURL());
    ScriptMessage message;
    message.name = name;
    message.body = std::move(body);
    message.frameInfo = FrameInfo{options.isMainFrame, HttpRequest(frameURL), SecurityOrigin::of(frameURL), self};
    message.world = options.world ? options.world : ContentWorld::page();
    message.webView = self;
    ScriptReplyHandler toPage;
    if (onReply) {
        // Replies arrive on the main thread, where the page generation changes.
        std::weak_ptr<WebView> weak = self;
        toPage = [weak, page = pageGeneration_, onReply = std::move(onReply)](std::optional<Json> reply,
                                                                               std::optional<std::string> error) {
            const auto view = weak.lock();
            if (!view || view->pageGeneration_ != page) return;
            onReply(std::move(reply), std::move(error));
        };
    }
    auto controller = configuration_->userContentController;
    return controller->deliver(message, std::move(toPage));
}

} // namespace platform::web
