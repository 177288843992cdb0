#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/Web/BackForwardList.hpp"
#include "Platform/Web/Navigation.hpp"
#include "Platform/Web/WebViewConfiguration.hpp"

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::web {

/// A call the app made into the page, as the web view's journal keeps it.
struct PLATFORM_EXPORT JavaScriptCall {
    enum class Kind { evaluate, callAsync };
    Kind kind = Kind::evaluate;
    /// The script, or the body of the asynchronous function.
    std::string script;
    /// The named arguments of an asynchronous call (an object); null for evaluate.
    Json arguments;
    bool inMainFrame = true;
    /// "page", "defaultClient" or the world's name.
    std::string world = "page";
};

/// What a call into the page answers: a value, an error, or neither.
struct PLATFORM_EXPORT JavaScriptReply {
    std::optional<Json> value;
    std::optional<Error> error;
};

/// Decides what a call into the page answers; none lets the next responder
/// (or the default) answer.
using JavaScriptResponder = std::function<std::optional<JavaScriptReply>(const JavaScriptCall&)>;

/// The properties of a web view that can be observed.
enum class WebViewProperty { url, title, isLoading, estimatedProgress, canGoBack, canGoForward };

/// An observer of a web view property: it is told while this token lives (or
/// until invalidate()).
class PLATFORM_EXPORT WebViewObservation {
public:
    ~WebViewObservation();
    WebViewObservation(const WebViewObservation&) = delete;
    WebViewObservation& operator=(const WebViewObservation&) = delete;
    void invalidate();

private:
    friend class WebView;
    struct Registry;
    WebViewObservation(std::weak_ptr<Registry> registry, std::uint64_t identifier)
        : registry_(std::move(registry)), identifier_(identifier) {}
    std::weak_ptr<Registry> registry_;
    std::uint64_t identifier_;
};

/// How a page's message is posted (the event driver's `page post` options).
struct PLATFORM_EXPORT PageMessageOptions {
    bool isMainFrame = true;
    /// The URL of the posting frame and so its security origin; none: the page's.
    std::optional<Url> frameURL;
    /// None: the page world.
    std::shared_ptr<ContentWorld> world;
};

/// A headless web view: it loads pages over HTTP(S) with the platform's URL
/// session and its data store's cookies, from HTML strings and from files,
/// asks its navigation delegate as the platform does, keeps a back-forward
/// list and shows the page's URL, title and loading state in screen dumps.
///
/// Pages run no scripts. What a page would do is driven from outside:
/// postScriptMessage() (a script message to the app's handlers) and
/// followLink() (a link the page follows). Calls into the page
/// (evaluateJavaScript, callAsyncJavaScript) are recorded in a journal and
/// answered by responders; by default with no result and no error, except
/// "document.documentElement.outerHTML", which answers the page's document.
///
/// Main thread only. Loads are asynchronous: the fetch runs on the URL
/// session's worker, everything the delegates and observers see happens on the
/// main thread, and an in-flight load counts as background activity so that
/// scripted runs wait for it.
class PLATFORM_EXPORT WebView : public ui::View {
public:
    using EvaluateCompletion = std::function<void(std::optional<Json> result, std::optional<Error> error)>;
    using CallAsyncCompletion = std::function<void(std::expected<Json, Error> result)>;

    /// A web view with a copy of the configuration (a new default one when none).
    static std::shared_ptr<WebView> create(ui::Rect frame = {},
                                           const std::shared_ptr<WebViewConfiguration>& configuration = nullptr);
    ~WebView() override;
    /// The web views that exist, oldest first (main thread).
    static std::vector<std::shared_ptr<WebView>> liveWebViews();

    /// The name the web library registers its bundle under (Bundle::registerBundle).
    static constexpr const char* kBundleName = "WebKit";
    /// The bundle of the web library this class belongs to (its Info.plist
    /// carries the library's version); null when none is registered.
    static std::shared_ptr<Bundle> bundle();

    std::shared_ptr<WebView> shared() { return std::static_pointer_cast<WebView>(shared_from_this()); }

    /// The view's own copy of its configuration.
    const std::shared_ptr<WebViewConfiguration>& configuration() const { return configuration_; }

    std::shared_ptr<NavigationDelegate> navigationDelegate() const { return navigationDelegate_.lock(); }
    void setNavigationDelegate(const std::shared_ptr<NavigationDelegate>& delegate) { navigationDelegate_ = delegate; }
    std::shared_ptr<UIDelegate> uiDelegate() const { return uiDelegate_.lock(); }
    void setUIDelegate(const std::shared_ptr<UIDelegate>& delegate) { uiDelegate_ = delegate; }

    // Loading ------------------------------------------------------------------
    /// Loads a request: http(s) from the network, "about:" pages, file URLs
    /// (reading that file only); any other scheme fails with
    /// URLError::unsupportedURL once the action is allowed. None without a URL.
    std::shared_ptr<Navigation> load(const HttpRequest& request);
    /// Shows an HTML text as a page at `baseURL` (none: "about:blank").
    std::shared_ptr<Navigation> loadHTMLString(std::string html, std::optional<Url> baseURL = std::nullopt);
    /// Shows a file of the app (a licence page), which must lie at or under `readAccessURL`.
    std::shared_ptr<Navigation> loadFileURL(const Url& url, const Url& readAccessURL);
    /// Loads the current page again; none when there is none.
    std::shared_ptr<Navigation> reload();
    /// Stops the load in flight: it fails with URLError::cancelled.
    void stopLoading();
    std::shared_ptr<Navigation> goBack();
    std::shared_ptr<Navigation> goForward();
    /// Goes to an item of the back-forward list; none when it is not in the list.
    std::shared_ptr<Navigation> go(const std::shared_ptr<BackForwardListItem>& item);

    // State ----------------------------------------------------------------------
    /// The URL of the page shown (set when a page commits).
    const std::optional<Url>& url() const { return url_; }
    /// The page's <title>; empty when it has none.
    const std::string& title() const { return title_; }
    bool isLoading() const { return loading_; }
    /// From 0.1 when a load starts to 1 when it has finished.
    double estimatedProgress() const { return progress_; }
    bool canGoBack() const { return backForwardList_.backItem() != nullptr; }
    bool canGoForward() const { return backForwardList_.forwardItem() != nullptr; }
    const BackForwardList& backForwardList() const { return backForwardList_; }

    /// Replaces the whole user agent when set.
    std::optional<std::string> customUserAgent;
    /// The user agent sent with requests: the custom one, else the platform's
    /// followed by the configuration's application name.
    std::string userAgent() const;
    bool allowsLinkPreview = true;
    bool allowsBackForwardNavigationGestures = false;
    bool isInspectable = false;

    /// Tells the handler of every change of the property (on the main thread),
    /// and at once when `initial`.
    std::shared_ptr<WebViewObservation> observe(WebViewProperty property, std::function<void(WebView&)> handler,
                                                bool initial = false);

    // Calls into the page ------------------------------------------------------------
    void evaluateJavaScript(std::string script, EvaluateCompletion completion = {});
    void evaluateJavaScript(std::string script, const std::optional<FrameInfo>& frame,
                            const std::shared_ptr<ContentWorld>& world, EvaluateCompletion completion = {});
    /// Calls the body of an asynchronous function with named arguments (an
    /// object); no result answers null.
    void callAsyncJavaScript(std::string body, Json arguments, const std::optional<FrameInfo>& frame,
                             const std::shared_ptr<ContentWorld>& world, CallAsyncCompletion completion = {});

    /// Every call into the page so far, in order.
    const std::vector<JavaScriptCall>& javaScriptJournal() const { return journal_; }
    void clearJavaScriptJournal() { journal_.clear(); }
    /// Answers this view's calls (before the fallback responder and the default).
    void setJavaScriptResponder(JavaScriptResponder responder) { responder_ = std::move(responder); }
    /// Answers every web view's calls that its own responder leaves (scripted runs).
    static void setFallbackJavaScriptResponder(JavaScriptResponder responder);

    // What the page does (tests and the event driver) ------------------------------------
    /// The page's frame posts a message to a handler of the user content
    /// controller. `onReply` gets the reply of a handler with a reply, while
    /// the page that posted is shown: a reply that comes once the view is gone
    /// or shows another page is dropped, as its promise went with the page.
    UserContentController::Delivery postScriptMessage(const std::string& name, Json body,
                                                      const PageMessageOptions& options = {},
                                                      ScriptReplyHandler onReply = {});
    /// The page follows a link (a user's tap on it, or a form with `type`). With
    /// `opensNewWindow` the link targets a new window: when the navigation
    /// delegate allows it, the UI delegate may make a web view that loads it.
    void followLink(const Url& url, NavigationType type = NavigationType::linkActivated, bool opensNewWindow = false);

    /// The document of the page shown (its text as received); empty before any page.
    const std::string& documentText() const { return document_; }
    const std::string& documentMIMEType() const { return documentMIMEType_; }
    /// The frame info of the page's main frame.
    FrameInfo mainFrameInfo();

    // Screen dump ------------------------------------------------------------------
    std::string typeName() const override { return "WebView"; }
    /// `url=...`, `title="..."` when the page has one, `loading` while loading.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    WebView(ui::Rect frame, std::shared_ptr<WebViewConfiguration> configuration);

private:
    class Load;
    class RedirectRelay;
    friend class RedirectRelay;

    std::shared_ptr<Load> makeLoad(HttpRequest request, NavigationType type);
    std::shared_ptr<Navigation> start(const std::shared_ptr<Load>& load, NavigationAction action);
    void decideAction(const std::shared_ptr<Load>& load, const NavigationAction& action,
                      std::function<void(NavigationActionPolicy)> then);
    void beginProvisional(const std::shared_ptr<Load>& load);
    void fetch(const std::shared_ptr<Load>& load);
    void fetched(const std::shared_ptr<Load>& load, std::optional<Data> data, std::optional<HttpResponse> response,
                 std::optional<Error> error);
    void redirected(const std::shared_ptr<HttpDataTask>& task, HttpRequest request,
                    std::function<void(std::optional<HttpRequest>)> completionHandler);
    void loadFile(const std::shared_ptr<Load>& load);
    void respond(const std::shared_ptr<Load>& load, NavigationResponse response, std::string document);
    void commit(const std::shared_ptr<Load>& load, const Url& url, std::string document, std::string mimeType);
    void finish(const std::shared_ptr<Load>& load);
    void failProvisional(const std::shared_ptr<Load>& load, const Error& error);
    void interrupt();
    void openInNewWindow(const NavigationAction& action);
    bool isCurrent(const std::shared_ptr<Load>& load) const { return load && current_ == load; }

    JavaScriptReply answer(const JavaScriptCall& call) const;
    void answerWhenSettled(std::function<void()> answer);
    void flushDeferredAnswers();

    void setURL(std::optional<Url> url);
    void setTitle(std::string title);
    void setLoading(bool loading);
    void setProgress(double progress);
    void historyMayHaveChanged();
    void notify(WebViewProperty property);

    std::shared_ptr<WebViewConfiguration> configuration_;
    std::weak_ptr<NavigationDelegate> navigationDelegate_;
    std::weak_ptr<UIDelegate> uiDelegate_;
    std::shared_ptr<RedirectRelay> relay_;
    std::shared_ptr<HttpSession> session_; // made at the first fetch

    std::shared_ptr<Load> current_; // the navigation in flight
    std::uint64_t nextNavigation_ = 1;
    /// Counts the pages committed: replies reach only the page that posted.
    std::uint64_t pageGeneration_ = 0;
    std::optional<Url> url_;
    std::string title_;
    std::string document_;
    std::string documentMIMEType_;
    bool loading_ = false;
    double progress_ = 0;
    bool couldGoBack_ = false;
    bool couldGoForward_ = false;
    BackForwardList backForwardList_;

    std::vector<JavaScriptCall> journal_;
    JavaScriptResponder responder_;
    /// Answers asked for while a response awaits its decision: they wait for the
    /// page that decision brings (or keeps).
    std::vector<std::function<void()>> deferredAnswers_;
    bool awaitingResponseDecision_ = false;

    std::shared_ptr<WebViewObservation::Registry> observers_;
};

} // namespace platform::web
