#pragma once

#include "VellicorApp/Hybrid/ScriptReply.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vellicor {

/// Signs the user in for a page and says what the page's web view loads
/// next: the web view model.
class AuthenticationMessageHandlerDelegate {
public:
    virtual ~AuthenticationMessageHandlerDelegate() = default;
    /// Runs the SDK's sign-in; calls the completion once, on any thread.
    virtual void authenticationMessageHandlerShouldAuthenticate(platform::veltrane::VQAuthCompletion completion) = 0;
    /// What the web view loads after a sign-in (failed ones included), given
    /// the address it showed when the page asked.
    virtual std::pair<std::optional<platform::HttpRequest>, std::optional<platform::Error>>
    authenticationMessageHandlerShouldHandleOAuthResults(const std::optional<std::string>& address,
                                                         const platform::veltrane::VQAuthResult& result) = 0;
};

/// Answers the page's authentication messages: start the native sign-in,
/// sign out, read the signed-in user's credentials, ask for the app's home
/// URL (not supported). One instance serves all four names. Main thread.
///
/// Every message is answered exactly once; a message nothing answers gets
/// (nothing, "Not authenticated"). Messages reach it only from the community's
/// own pages: the web view's sender policy (isCommunitySender) refuses the rest
/// before they get here.
class AuthenticationMessageHandler : public platform::web::ScriptMessageHandlerWithReply,
                                     public std::enable_shared_from_this<AuthenticationMessageHandler> {
public:
    enum class MessageType { login, logoutCurrentUser, getAuthCredentials, getAppHomeUrl };
    static constexpr std::array<MessageType, 4> kAllMessageTypes = {
        MessageType::login, MessageType::logoutCurrentUser, MessageType::getAuthCredentials, MessageType::getAppHomeUrl};
    /// "authenticate", "logoutCurrentUser", "getAuthCredentials", "getAppHomeUrl".
    static std::string_view rawValue(MessageType type);

    static constexpr const char* kNotAuthenticated = "Not authenticated";
    static constexpr const char* kNotSupported = "Not Supported";

    /// `userAgent` is added to every credential dictionary.
    static std::shared_ptr<AuthenticationMessageHandler> create(std::string userAgent);

    const std::string& userAgent() const { return userAgent_; }
    std::shared_ptr<AuthenticationMessageHandlerDelegate> delegate() const { return delegate_.lock(); }
    /// Held weakly.
    void setDelegate(const std::shared_ptr<AuthenticationMessageHandlerDelegate>& delegate) { delegate_ = delegate; }

    void didReceiveScriptMessage(platform::web::UserContentController& controller,
                                 const platform::web::ScriptMessage& message,
                                 platform::web::ScriptReplyHandler replyHandler) override;

    /// The credentials a page receives for an account, with "userAgent" added;
    /// none for no account or an account without credentials.
    std::optional<platform::Json> credentialDictionary(
        const std::shared_ptr<platform::veltrane::VQUserAccount>& account) const;

private:
    explicit AuthenticationMessageHandler(std::string userAgent) : userAgent_(std::move(userAgent)) {}

    void handleLogin(const platform::web::ScriptMessage& message, std::shared_ptr<ScriptReply> reply);
    void handleLogout(const std::shared_ptr<ScriptReply>& reply);
    void handleGetAuthCredentials(const std::shared_ptr<ScriptReply>& reply);
    void signInDidEnd(const platform::veltrane::VQAuthResult& result, const std::optional<std::string>& address,
                      const std::weak_ptr<platform::web::WebView>& webView, const std::shared_ptr<ScriptReply>& reply);

    const std::string userAgent_;
    std::weak_ptr<AuthenticationMessageHandlerDelegate> delegate_;
};

} // namespace vellicor
