#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/ClientFeatures.hpp"
#include "VellicorApp/Hybrid/CommunityOrigin.hpp"
#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/Web/ContentWorld.hpp"
#include "Platform/Web/WebView.hpp"

namespace vellicor {

namespace {

constexpr const char* kTypeName = "JSCallDispatchEventHandler";

// The page's script interface; the texts are the page's API, keep them verbatim.
constexpr const char* kRefreshNotificationsScript = "myvellicor.nativejsapi.refreshNotifications();";
constexpr const char* kNavigateToPrefix = "myvellicor.nativejsapi.navigateTo(";
constexpr const char* kNavigateToSuffix = ");";
constexpr const char* kSendKORVADataBody = "return myvellicor.nativejsapi.sendKORVAData(payload, txnId);";

/// Whether the web view shows one of the community's pages. Links the rules do
/// not claim stay in the web view: a call into any other page would hand a
/// foreign site the user's notifications, records or events.
bool showsCommunityPage(const platform::web::WebView& webView) {
    const auto& url = webView.url();
    return url && isCommunityOrigin(*url);
}

} // namespace

std::shared_ptr<JSCallDispatchEventHandler> JSCallDispatchEventHandler::create(
    std::weak_ptr<CommunityViewControllable> viewController) {
    auto handler =
        std::shared_ptr<JSCallDispatchEventHandler>(new JSCallDispatchEventHandler(std::move(viewController)));
    // Owned by the handler: the observation ends with it.
    AppContext::current()->notificationCenter->addObserver<JSCallDispatchEventHandler>(
        handler, platform::ui::kApplicationDidBecomeActiveNotification, nullptr,
        [](JSCallDispatchEventHandler& self, const platform::Notification& notification) {
            self.applicationDidBecomeActive(notification);
        });
    return handler;
}

const std::string& JSCallDispatchEventHandler::clientFeatureCapabilities() {
    // The JSON sits inside a single-quoted script string: feature names and
    // attributes are the app's own and hold no quote or line break.
    static const std::string script = "myvellicor.nativejsapi.clientFeatures = '" +
                                      jsonSerializedString(clientFeaturesDictionary(AppContext::current()->clientFeatures)) + "';";
    return script;
}

void JSCallDispatchEventHandler::applicationDidBecomeActive(const platform::Notification&) {
    const auto screen = viewController_.lock();
    if (!screen || screen->state() == State::initialized) return;
    refreshNotifications();
}

void JSCallDispatchEventHandler::evaluateOnMain(std::string script, Completion completion, ForeignPage foreignPage) {
    platform::MainQueue::async([weak = weak_from_this(), script = std::move(script), completion = std::move(completion),
                                foreignPage] {
        if (const auto self = weak.lock()) {
            const auto screen = self->viewController_.lock();
            if (const auto webView = screen ? screen->hybridAppWebView() : nullptr) {
                self->evaluate(*webView, script, foreignPage);
            }
        }
        if (completion) completion();
    });
}

void JSCallDispatchEventHandler::evaluate(platform::web::WebView& webView, std::string script, ForeignPage foreignPage) {
    // The page is checked at the moment of the call: it may have changed since the call was asked for.
    if (showsCommunityPage(webView)) {
        webView.evaluateJavaScript(std::move(script));
        return;
    }
    if (foreignPage == ForeignPage::drop) {
        Logger::warning("Dropped a call into the page: the web view shows a page outside the community.", kTypeName);
        return;
    }
    Logger::info("Holding the page call until the web view shows the community again.", kTypeName);
    heldScript_ = std::move(script);
    if (heldScriptObservation_) return;
    // Owned by the handler: the observation ends with it, and holds it weakly.
    heldScriptObservation_ = webView.observe(platform::web::WebViewProperty::url, [weak = weak_from_this()](
                                                                                      platform::web::WebView& view) {
        const auto self = weak.lock();
        if (!self || !self->heldScript_ || !showsCommunityPage(view)) return;
        view.evaluateJavaScript(*std::exchange(self->heldScript_, std::nullopt));
    });
}

void JSCallDispatchEventHandler::refreshNotifications(Completion completion) {
    if (!AppContext::current()->userAccountManager->currentUser()) return;
    evaluateOnMain(kRefreshNotificationsScript, std::move(completion), ForeignPage::drop);
    Logger::info("Refreshing notification tray icon.", kTypeName);
}

void JSCallDispatchEventHandler::openRecord(const std::string& pageReference, Completion completion) {
    // Page references arrive in push payloads: inserted as they are, they
    // would run as script. Only a JSON value is passed on, written anew.
    // The platform's reader bounds the nesting, so writing it anew cannot run out of stack.
    const auto reference = platform::parseJson(pageReference);
    if (!reference) {
        Logger::error("Page reference is not JSON; not dispatching navigate.", kTypeName);
        platform::MainQueue::async([completion = std::move(completion)] {
            if (completion) completion();
        });
        return;
    }
    // ASCII-only output: line and paragraph separators never reach the script raw.
    evaluateOnMain(kNavigateToPrefix + reference->dump(-1, ' ', true) + kNavigateToSuffix, std::move(completion),
                   ForeignPage::holdUntilCommunityPage);
    Logger::info("Dispatching navigate to page-ref.", kTypeName);
}

void JSCallDispatchEventHandler::sendKORVALogs(Completion completion) {
    const auto transactionID = platform::Uuid::random().uuidString();
    const auto eventStoreManager = AppContext::current()->eventStoreManager;
    auto payload = eventStoreManager->payload(transactionID);
    if (!payload) return;

    platform::MainQueue::async([weak = weak_from_this(), eventStoreManager, transactionID, payload = std::move(*payload),
                                completion = std::move(completion)] {
        const auto self = weak.lock();
        const auto screen = self ? self->viewController_.lock() : nullptr;
        const auto webView = screen ? screen->hybridAppWebView() : nullptr;
        if (webView && !showsCommunityPage(*webView)) {
            // The events stay stored and go with the next hand-over to the community's page.
            Logger::warning("Did not send korva data: the web view shows a page outside the community.", kTypeName);
            eventStoreManager->clearStore();
        } else if (webView) {
            webView->callAsyncJavaScript(
                kSendKORVADataBody, platform::Json{{"payload", payload}, {"txnId", transactionID}}, std::nullopt,
                platform::web::ContentWorld::page(), [eventStoreManager](std::expected<platform::Json, platform::Error> result) {
                    if (!result) {
                        // Log text read by support tooling; keep verbatim.
                        Logger::error("Failed to send korva data with error: " + localizedFileDescription(result.error()),
                                      kTypeName);
                    } else if (result->is_string()) {
                        eventStoreManager->deleteEvents(result->get<std::string>());
                        Logger::info("Send korva data successful.", kTypeName);
                    }
                    Logger::info("Removing in-memory store of events.", kTypeName);
                    eventStoreManager->clearStore();
                });
        }
        if (completion) completion();
    });
    Logger::info("Sending KORVA logs.", kTypeName);
}

} // namespace vellicor
