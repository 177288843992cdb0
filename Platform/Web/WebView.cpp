#include "Platform/Web/WebView.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "Platform/Web/PageContent.hpp"
#include "Platform/Web/WebViewLoad.hpp"

#include <algorithm>
#include <mutex>

// The web view's state, observation, calls into the page and what the page
// does. The steps of a load are in WebViewLoading.cpp.

namespace platform::web {

namespace {

/// The platform's user agent of a web view, before the application name.
constexpr std::string_view kBaseUserAgent =
    "Mozilla/5.0 (Phone; Vellicor Platform 1.0) WebView/1.0 (KHTML, like Gecko)";
constexpr std::string_view kOuterHTMLScript = "document.documentElement.outerHTML";
/// What an empty page's document element reads as.
constexpr std::string_view kEmptyDocument = "<html><head></head><body></body></html>";

std::mutex gFallbackMutex;
JavaScriptResponder gFallbackResponder;

/// Every web view made, oldest first; the gone ones are dropped as it is read.
std::vector<std::weak_ptr<WebView>>& madeWebViews() {
    static auto* views = new std::vector<std::weak_ptr<WebView>>();
    return *views;
}

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

std::shared_ptr<Bundle> WebView::bundle() { return Bundle::forName(kBundleName); }

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
    std::erase_if(madeWebViews(), [](const std::weak_ptr<WebView>& made) { return made.expired(); });
    madeWebViews().push_back(view);
    return view;
}

std::vector<std::shared_ptr<WebView>> WebView::liveWebViews() {
    std::vector<std::shared_ptr<WebView>> views;
    for (const auto& made : madeWebViews()) {
        if (auto view = made.lock()) views.push_back(std::move(view));
    }
    return views;
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
    auto scheme = platform::lowercased(url.scheme().value_or(""));
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
    auto script = trimmingWhitespace(call.script);
    if (script.ends_with(';')) {
        script = trimmingWhitespace(script.substr(0, script.size() - 1));
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
