#pragma once

#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Web/WebView.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

class CommunityViewControllable;

/// Calls from the app into the page's script interface under
/// `myvellicor.nativejsapi`: refresh the notification count, navigate to a
/// page reference, take the stored instrumentation events. One per community
/// screen.
///
/// The screen is held weakly: once it (or its web view) is gone, nothing is
/// run. Every call goes only into a page with one of the community's origins
/// (isCommunityOrigin), checked when the call is made: while the web view
/// shows another site (a link the rules do not claim), the notification
/// refresh is dropped with a warning, the stored events stay stored, and the
/// latest page reference is held and dispatched as soon as the web view shows
/// a community page again. The calls may come from any thread; the web view is touched only on
/// the main queue. sendKORVALogs reads the event store manager, which belongs
/// to the main thread, so it is called there.
class JSCallDispatchEventHandler : public std::enable_shared_from_this<JSCallDispatchEventHandler> {
public:
    using Completion = std::function<void()>;

    /// A handler for the screen, refreshing the notification count whenever
    /// the app becomes active (observed on the current context's centre for
    /// as long as the handler lives).
    static std::shared_ptr<JSCallDispatchEventHandler> create(std::weak_ptr<CommunityViewControllable> viewController);

    /// The page script that tells the page which client features the app has:
    /// "myvellicor.nativejsapi.clientFeatures = '<JSON>';", the JSON holding
    /// each feature's attributes under its name. The page reads it as a string.
    /// Made once, from the current context's features, at the first use.
    static const std::string& clientFeatureCapabilities();

    /// Asks the page to refresh its notification count. Signed out: nothing
    /// runs and the completion is not called. Otherwise the completion runs
    /// on the main queue after the script (also when the screen is gone).
    void refreshNotifications(Completion completion = {});

    /// Asks the page to navigate to a page reference. The reference comes from
    /// outside (push payloads), so it is read as JSON (an object, a string, a
    /// number...) and handed to the page re-serialised; anything else is
    /// logged as an error and not run. The completion runs on the main queue
    /// either way.
    void openRecord(const std::string& pageReference, Completion completion = {});

    /// Hands the stored instrumentation events to the page under a new
    /// transaction. With nothing stored, nothing runs and the completion is
    /// not called; otherwise it runs on the main queue once the call is made,
    /// without waiting for the page. A page that answers with the transaction
    /// ID confirms it, and exactly its events are deleted; whatever the page
    /// answers, the map of open transactions is emptied afterwards.
    void sendKORVALogs(Completion completion = {});

    /// Refreshes the notification count once the screen has started loading.
    void applicationDidBecomeActive(const platform::Notification& notification);

private:
    /// What becomes of a script when the web view shows a page outside the community.
    enum class ForeignPage { drop, holdUntilCommunityPage };

    explicit JSCallDispatchEventHandler(std::weak_ptr<CommunityViewControllable> viewController)
        : viewController_(std::move(viewController)) {}
    void evaluateOnMain(std::string script, Completion completion, ForeignPage foreignPage);
    void evaluate(platform::web::WebView& webView, std::string script, ForeignPage foreignPage);

    std::weak_ptr<CommunityViewControllable> viewController_;
    /// The script held for the community's page (the latest only), and the
    /// observation of the web view's URL that runs it.
    std::optional<std::string> heldScript_;
    std::shared_ptr<platform::web::WebViewObservation> heldScriptObservation_;
};

} // namespace vellicor
