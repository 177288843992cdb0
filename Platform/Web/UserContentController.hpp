#pragma once

#include "Platform/Export.hpp"
#include "Platform/Web/ContentWorld.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::web {

/// When a user script runs in a page.
enum class UserScriptInjectionTime { atDocumentStart, atDocumentEnd };

/// A script the app injects into every page. Pages run no scripts here; the
/// scripts are kept as the configuration of the web views that use them.
struct PLATFORM_EXPORT UserScript {
    std::string source;
    UserScriptInjectionTime injectionTime = UserScriptInjectionTime::atDocumentEnd;
    bool forMainFrameOnly = true;
    std::shared_ptr<ContentWorld> world = ContentWorld::page();
};

/// The app's side of a page's scripting: user scripts and named script message
/// handlers. Shared by the web views made from one configuration. Main thread.
///
/// Handlers are registered per content world; a name may be used once in a
/// world, for a handler with or without a reply, and adding it a second time
/// stops the app, as on the platform. The controller holds its handlers strongly.
///
/// Messages are refused by default: one reaches its handler only when the
/// controller's sender policy accepts the frame that posted it, and a
/// controller without a policy accepts none. The check is made here, once,
/// before any handler sees the message, so that no handler can forget it.
class PLATFORM_EXPORT UserContentController : public std::enable_shared_from_this<UserContentController> {
public:
    static std::shared_ptr<UserContentController> create();

    /// What the page's promise is rejected with when the sender policy refuses its message.
    static constexpr const char* kRefusedSenderMessage = "The app does not take messages from this frame.";

    /// Whether a posted message (its frame, origin and name) may reach its handler.
    using SenderPolicy = std::function<bool(const ScriptMessage& message)>;
    /// Replaces the sender policy; none refuses every message.
    void setSenderPolicy(SenderPolicy policy) { senderPolicy_ = std::move(policy); }
    bool hasSenderPolicy() const { return static_cast<bool>(senderPolicy_); }

    // User scripts ---------------------------------------------------------
    const std::vector<UserScript>& userScripts() const { return userScripts_; }
    void addUserScript(UserScript script);
    void removeAllUserScripts() { userScripts_.clear(); }

    // Script message handlers ----------------------------------------------
    /// A handler without a reply in the page world.
    void add(std::shared_ptr<ScriptMessageHandler> handler, const std::string& name);
    /// A handler without a reply in a world.
    void add(std::shared_ptr<ScriptMessageHandler> handler, const std::shared_ptr<ContentWorld>& world,
             const std::string& name);
    /// A handler whose messages the page awaits a reply for.
    void addScriptMessageHandler(std::shared_ptr<ScriptMessageHandlerWithReply> handler,
                                 const std::shared_ptr<ContentWorld>& world, const std::string& name);
    /// Removes the handler of a name in the page world (no effect when there is none).
    void removeScriptMessageHandler(const std::string& name);
    void removeScriptMessageHandler(const std::string& name, const std::shared_ptr<ContentWorld>& world);
    /// Removes every handler of every world.
    void removeAllScriptMessageHandlers();
    void removeAllScriptMessageHandlers(const std::shared_ptr<ContentWorld>& world);

    /// Whether a handler (with or without a reply) has the name in the world.
    bool hasScriptMessageHandler(const std::string& name,
                                 const std::shared_ptr<ContentWorld>& world = ContentWorld::page()) const;
    /// The names registered in a world, sorted.
    std::vector<std::string> scriptMessageHandlerNames(
        const std::shared_ptr<ContentWorld>& world = ContentWorld::page()) const;

    /// The page posts a message: it reaches the handler of the message's name in
    /// the message's world. A handler with a reply gets a reply handler that
    /// forwards the reply to `onReply`; a plain handler's page gets no value
    /// (`onReply` is not called). `noHandler` when no handler has the name in
    /// that world: the page finds nothing to post to. `refused` when the sender
    /// policy does not accept the message (or there is none): no handler sees
    /// it, and a page awaiting a reply gets kRefusedSenderMessage as its error
    /// on the main queue.
    enum class Delivery { noHandler, delivered, awaitingReply, refused };
    Delivery deliver(const ScriptMessage& message, ScriptReplyHandler onReply = {});

private:
    UserContentController() = default;
    struct Entry {
        std::shared_ptr<ContentWorld> world;
        std::string name;
        std::shared_ptr<ScriptMessageHandler> plain;
        std::shared_ptr<ScriptMessageHandlerWithReply> withReply;
    };
    void insert(Entry entry);
    const Entry* find(const std::string& name, const std::shared_ptr<ContentWorld>& world) const;

    std::vector<UserScript> userScripts_;
    std::vector<Entry> handlers_;
    SenderPolicy senderPolicy_;
};

} // namespace platform::web
