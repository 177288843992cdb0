#include "Platform/Web/UserContentController.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"

#include <algorithm>
#include <atomic>

namespace platform::web {

namespace {

/// What the page's promise gets when the app drops a reply handler without calling it.
constexpr std::string_view kNoReplyMessage = "The API client did not respond to this postMessage";

/// The one answer of a message with a reply, shared by every copy of its reply handler.
class ReplyState {
public:
    ReplyState(std::string name, ScriptReplyHandler onReply) : name_(std::move(name)), onReply_(std::move(onReply)) {}
    ReplyState(const ReplyState&) = delete;
    ReplyState& operator=(const ReplyState&) = delete;

    ~ReplyState() {
        if (!answered_.exchange(true)) {
            send(std::nullopt, std::string(kNoReplyMessage));
        }
    }

    void answer(std::optional<Json> reply, std::optional<std::string> errorMessage) {
        if (answered_.exchange(true)) {
            Console::log("Warning: the reply handler of the script message \"" + name_ +
                         "\" was called more than once; later replies are ignored");
            return;
        }
        send(std::move(reply), std::move(errorMessage));
    }

private:
    void send(std::optional<Json> reply, std::optional<std::string> errorMessage) {
        if (!onReply_) {
            return;
        }
        // The page hears back on the main thread, after the handler's call returns.
        MainQueue::async([onReply = std::move(onReply_), reply = std::move(reply),
                          errorMessage = std::move(errorMessage)] { onReply(reply, errorMessage); });
    }

    std::string name_;
    ScriptReplyHandler onReply_;
    std::atomic<bool> answered_{false};
};

} // namespace

std::shared_ptr<UserContentController> UserContentController::create() {
    return std::shared_ptr<UserContentController>(new UserContentController());
}

void UserContentController::addUserScript(UserScript script) {
    if (!script.world) {
        script.world = ContentWorld::page();
    }
    userScripts_.push_back(std::move(script));
}

void UserContentController::add(std::shared_ptr<ScriptMessageHandler> handler, const std::string& name) {
    add(std::move(handler), ContentWorld::page(), name);
}

void UserContentController::add(std::shared_ptr<ScriptMessageHandler> handler,
                                const std::shared_ptr<ContentWorld>& world, const std::string& name) {
    insert(Entry{world ? world : ContentWorld::page(), name, std::move(handler), nullptr});
}

void UserContentController::addScriptMessageHandler(std::shared_ptr<ScriptMessageHandlerWithReply> handler,
                                                    const std::shared_ptr<ContentWorld>& world,
                                                    const std::string& name) {
    insert(Entry{world ? world : ContentWorld::page(), name, nullptr, std::move(handler)});
}

void UserContentController::insert(Entry entry) {
    if (!entry.plain && !entry.withReply) {
        fatalError("Attempt to add a null script message handler with name '" + entry.name + "'.");
    }
    if (find(entry.name, entry.world) != nullptr) {
        fatalError("Attempt to add script message handler with name '" + entry.name + "' when one already exists.");
    }
    handlers_.push_back(std::move(entry));
}

void UserContentController::removeScriptMessageHandler(const std::string& name) {
    removeScriptMessageHandler(name, ContentWorld::page());
}

void UserContentController::removeScriptMessageHandler(const std::string& name,
                                                       const std::shared_ptr<ContentWorld>& world) {
    std::erase_if(handlers_, [&](const Entry& entry) { return entry.name == name && entry.world == world; });
}

void UserContentController::removeAllScriptMessageHandlers() { handlers_.clear(); }

void UserContentController::removeAllScriptMessageHandlers(const std::shared_ptr<ContentWorld>& world) {
    std::erase_if(handlers_, [&](const Entry& entry) { return entry.world == world; });
}

bool UserContentController::hasScriptMessageHandler(const std::string& name,
                                                    const std::shared_ptr<ContentWorld>& world) const {
    return find(name, world) != nullptr;
}

std::vector<std::string> UserContentController::scriptMessageHandlerNames(
    const std::shared_ptr<ContentWorld>& world) const {
    std::vector<std::string> names;
    for (const auto& entry : handlers_) {
        if (entry.world == world) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

const UserContentController::Entry* UserContentController::find(const std::string& name,
                                                                const std::shared_ptr<ContentWorld>& world) const {
    auto found = std::find_if(handlers_.begin(), handlers_.end(),
                              [&](const Entry& entry) { return entry.name == name && entry.world == world; });
    return found == handlers_.end() ? nullptr : &*found;
}

UserContentController::Delivery UserContentController::deliver(const ScriptMessage& message,
                                                               ScriptReplyHandler onReply) {
    const auto* entry = find(message.name, message.world ? message.world : ContentWorld::page());
    if (entry == nullptr) {
        return Delivery::noHandler;
    }
    if (!senderPolicy_ || !senderPolicy_(message)) {
        if (!senderPolicy_) {
            Console::log("Refused the script message \"" + message.name + "\": the app has set no sender policy");
        }
        if (entry->withReply && onReply) {
            MainQueue::async([onReply = std::move(onReply)] {
                onReply(std::nullopt, std::string(kRefusedSenderMessage));
            });
        }
        return Delivery::refused;
    }
    // Keep the handler (and this controller) alive while it runs, even if it
    // removes itself.
    auto self = shared_from_this();
    if (entry->withReply) {
        auto handler = entry->withReply;
        auto state = std::make_shared<ReplyState>(message.name, std::move(onReply));
        ScriptReplyHandler reply = [state](std::optional<Json> value, std::optional<std::string> error) {
            state->answer(std::move(value), std::move(error));
        };
        handler->didReceiveScriptMessage(*this, message, std::move(reply));
        return Delivery::awaitingReply;
    }
    auto handler = entry->plain;
    handler->didReceiveScriptMessage(*this, message);
    return Delivery::delivered;
}

} // namespace platform::web
