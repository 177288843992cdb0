#include "VellicorApp/Hybrid/ScriptReply.hpp"

#include "Platform/Foundation/Dispatch.hpp"

namespace vellicor {

std::shared_ptr<ScriptReply> ScriptReply::create(platform::web::ScriptReplyHandler replyHandler,
                                                 ScriptReplyAnswer defaultAnswer) {
    return std::shared_ptr<ScriptReply>(new ScriptReply(std::move(replyHandler), std::move(defaultAnswer)));
}

ScriptReply::~ScriptReply() {
    if (!answered_.exchange(true)) send(defaultAnswer_);
}

void ScriptReply::answer(std::optional<platform::Json> value, std::optional<std::string> errorMessage) {
    if (answered_.exchange(true)) return;
    send(ScriptReplyAnswer{std::move(value), std::move(errorMessage)});
}

void ScriptReply::send(ScriptReplyAnswer answer) {
    if (!replyHandler_) return;
    if (platform::MainQueue::isMainThread()) {
        replyHandler_(std::move(answer.value), std::move(answer.errorMessage));
        return;
    }
    // The handler moves with the answer: this object may be gone by the time it runs.
    platform::MainQueue::async([handler = std::move(replyHandler_), answer = std::move(answer)] {
        handler(answer.value, answer.errorMessage);
    });
}

} // namespace vellicor
