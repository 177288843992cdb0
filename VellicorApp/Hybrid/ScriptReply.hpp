#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Web/ScriptMessage.hpp"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// What a page's promise gets: resolved with the value when there is no
/// error text, rejected with the error text otherwise.
struct ScriptReplyAnswer {
    std::optional<platform::Json> value;
    std::optional<std::string> errorMessage;
};

/// The reply callback of one script message, answered exactly once.
///
/// The first answer wins and reaches the page on the main thread (at once
/// when given there, else from the main queue); later answers are dropped.
/// When the last owner releases it unanswered, which a handler that lost its
/// delegate or a sign-in that never called back can cause, the page gets the
/// handler's default answer instead of waiting forever. Copies share one
/// object: hold it by shared_ptr in every completion that may answer.
/// Thread-safe.
class ScriptReply {
public:
    static std::shared_ptr<ScriptReply> create(platform::web::ScriptReplyHandler replyHandler,
                                               ScriptReplyAnswer defaultAnswer);
    ~ScriptReply();
    ScriptReply(const ScriptReply&) = delete;
    ScriptReply& operator=(const ScriptReply&) = delete;

    void answer(std::optional<platform::Json> value, std::optional<std::string> errorMessage);
    void answer(ScriptReplyAnswer answer) { this->answer(std::move(answer.value), std::move(answer.errorMessage)); }
    /// Whether an answer was given.
    bool isAnswered() const { return answered_.load(); }

private:
    ScriptReply(platform::web::ScriptReplyHandler replyHandler, ScriptReplyAnswer defaultAnswer)
        : replyHandler_(std::move(replyHandler)), defaultAnswer_(std::move(defaultAnswer)) {}
    void send(ScriptReplyAnswer answer);

    platform::web::ScriptReplyHandler replyHandler_;
    const ScriptReplyAnswer defaultAnswer_;
    std::atomic<bool> answered_{false};
};

} // namespace vellicor
