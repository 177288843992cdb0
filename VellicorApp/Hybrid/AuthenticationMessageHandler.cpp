#include "VellicorApp/Hybrid/AuthenticationMessageHandler.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Hybrid/OAuthCredentialsInfo.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UserAccountManagerError.hpp"
#include "Platform/Web/WebView.hpp"

namespace vellicor {

using platform::Json;
using platform::veltrane::VQAuthResult;

std::string_view AuthenticationMessageHandler::rawValue(MessageType type) {
    switch (type) {
    case MessageType::login: return "authenticate";
    case MessageType::logoutCurrentUser: return "logoutCurrentUser";
    case MessageType::getAuthCredentials: return "getAuthCredentials";
    case MessageType::getAppHomeUrl: return "getAppHomeUrl";
    }
    return "";
}

std::shared_ptr<AuthenticationMessageHandler> AuthenticationMessageHandler::create(std::string userAgent) {
    return std::shared_ptr<AuthenticationMessageHandler>(new AuthenticationMessageHandler(std::move(userAgent)));
}

std::optional<Json> AuthenticationMessageHandler::credentialDictionary(
    const std::shared_ptr<platform::veltrane::VQUserAccount>& account) const {
    const auto credentials = account ? account->credentials() : nullptr;
    if (!credentials) return std::nullopt;
    auto dictionary = infoDictionary(*credentials);
    dictionary["userAgent"] = userAgent_;
    return dictionary;
}

void AuthenticationMessageHandler::didReceiveScriptMessage(platform::web::UserContentController& /*controller*/,
                                                           const platform::web::ScriptMessage& message,
                                                           platform::web::ScriptReplyHandler replyHandler) {
    auto reply = ScriptReply::create(std::move(replyHandler), ScriptReplyAnswer{std::nullopt, kNotAuthenticated});
    if (message.name == rawValue(MessageType::login)) {
        handleLogin(message, std::move(reply));
    } else if (message.name == rawValue(MessageType::logoutCurrentUser)) {
        handleLogout(reply);
    } else if (message.name == rawValue(MessageType::getAuthCredentials)) {
        handleGetAuthCredentials(reply);
    } else {
        reply->answer(std::nullopt, kNotSupported);
    }
}

void AuthenticationMessageHandler::handleLogin(const platform::web::ScriptMessage& message,
                                               std::shared_ptr<ScriptReply> reply) {
    const auto webView = message.webView.lock();
    std::optional<std::string> address;
    if (webView && webView->url()) address = webView->url()->absoluteString();
    const auto delegate = delegate_.lock();
    // Without a delegate nothing can sign in: the reply goes unanswered here
    // and gives the page its default answer as it is released.
    if (!delegate) return;
    std::weak_ptr<AuthenticationMessageHandler> weakSelf = weak_from_this();
    std::weak_ptr<platform::web::WebView> weakWebView = webView;
    delegate->authenticationMessageHandlerShouldAuthenticate(
        [weakSelf, weakWebView, address, reply = std::move(reply)](VQAuthResult result) mutable {
            if (!reply) return; // called before: the page has its answer and the model its say
            // The sign-in may end on any thread; the page and the web view are the main thread's.
            platform::MainQueue::async([weakSelf, weakWebView, address, reply = std::move(reply),
                                        result = std::move(result)] {
                if (auto self = weakSelf.lock()) {
                    self->signInDidEnd(result, address, weakWebView, reply);
                } else {
                    reply->answer(result ? std::nullopt : std::optional<Json>(Json::object()),
                                  result ? std::nullopt
                                         : std::optional<std::string>(localizedDescription(result.error())));
                }
            });
        });
}

void AuthenticationMessageHandler::signInDidEnd(const VQAuthResult& result, const std::optional<std::string>& address,
                                                const std::weak_ptr<platform::web::WebView>& webView,
                                                const std::shared_ptr<ScriptReply>& reply) {
    if (!result) {
        reply->answer(Json::object(), localizedDescription(result.error()));
    } else {
        reply->answer(credentialDictionary(result->userAccount), std::nullopt);
    }
    // A failed sign-in too: the model decides what the page shows next.
    const auto delegate = delegate_.lock();
    if (!delegate) return;
    const auto [request, error] = delegate->authenticationMessageHandlerShouldHandleOAuthResults(address, result);
    (void)error; // the model reports its own errors
    if (!request) return;
    if (auto view = webView.lock()) view->load(*request);
}

void AuthenticationMessageHandler::handleLogout(const std::shared_ptr<ScriptReply>& reply) {
    const auto context = AppContext::current();
    // Posted first: the observer must know the user asked before the logout notifications come.
    context->notificationCenter->post(AuthenticationObserver::kUserInitiatedLogoutNotification);
    context->userAccountManager->logout();
    reply->answer(Json::object(), std::nullopt);
}

void AuthenticationMessageHandler::handleGetAuthCredentials(const std::shared_ptr<ScriptReply>& reply) {
    const auto account = AppContext::current()->userAccount();
    if (!account) {
        reply->answer(std::nullopt, kNotAuthenticated);
        return;
    }
    reply->answer(credentialDictionary(account), std::nullopt);
}

} // namespace vellicor
