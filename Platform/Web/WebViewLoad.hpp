#pragma once

// The web view's navigation in flight and the relay of its redirects. Private
// to the web view's sources.

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Web/WebView.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform::web {

/// A navigation in flight, from the app's first decision to its end, and the
/// one owner of the background activity it counts as.
///
/// Its stage only moves forward: deciding (the app has not let it start),
/// provisional (fetching or reading; nothing shown yet), committed (the page is
/// shown, its finish is queued). The load counts as background activity, so
/// that scripted runs wait for it, while it works outside the main thread or
/// has its next step queued on the main queue. It does not while the app's
/// delegate decides (a decision the app holds back must not keep a run
/// waiting), nor ever again once it has ended.
class WebView::Load {
public:
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
    /// The fetch of a network load, while it runs.
    std::shared_ptr<HttpDataTask> task;

    Stage stage() const { return stage_; }
    /// Works on, or has its next step queued: counted.
    void work();
    /// Moves on to a later stage, working on.
    void advance(Stage stage);
    /// Waits for the app's delegate to decide: not counted meanwhile.
    void awaitDecision();
    /// Cancels the fetch, if one runs.
    void cancelTask();
    /// Finished, failed, or interrupted and told: not counted any more.
    void end();

private:
    Stage stage_ = Stage::deciding;
    bool ended_ = false;
    std::optional<BackgroundActivity::Scope> activity_;
};

/// Asks the web view about each server redirect of its fetches. The session
/// holds it weakly; the web view owns it.
class WebView::RedirectRelay : public HttpSessionDelegate {
public:
    explicit RedirectRelay(std::weak_ptr<WebView> view) : view_(std::move(view)) {}

    void willPerformHTTPRedirection(HttpSession&, HttpDataTask& task, const HttpResponse&, HttpRequest newRequest,
                                    std::function<void(std::optional<HttpRequest>)> completionHandler) override;

private:
    std::weak_ptr<WebView> view_;
};

} // namespace platform::web
