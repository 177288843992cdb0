#include "TarnixPlatformClient/TarnixNativeService.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <condition_variable>
#include <mutex>

namespace tarnix {

namespace {

/// Where the check's answer lands. The first answer wins; the caller waits
/// for it. Shared with the completion, which may outlive the call.
struct AnswerSlot {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<EnablementCheckResult> result;

    void answer(EnablementCheckResult value) {
        std::lock_guard lock(mutex);
        if (result) return;
        result = std::move(value);
        answered.notify_all();
    }

    EnablementCheckResult wait() {
        std::unique_lock lock(mutex);
        answered.wait(lock, [this] { return result.has_value(); });
        return *result;
    }
};

} // namespace

TarnixNativeService::~TarnixNativeService() = default;

EnablementCheckResult TarnixNativeService::serviceIsEnabled(const std::optional<platform::Json>& context) const {
    auto check = enablementCheck();
    if (!check) return EnablementCheckResult::success();

    auto slot = std::make_shared<AnswerSlot>();
    platform::DispatchQueue::global(platform::QoS::defaultQoS)
        ->async([check = std::move(check), context, slot] {
            try {
                check(context, [slot](EnablementCheckResult result) { slot->answer(std::move(result)); });
            } catch (...) {
                slot->answer(EnablementCheckResult::failure(std::current_exception()));
            }
        });
    return slot->wait();
}

void TarnixNativeService::log(const std::string& taskName, const std::string& message, TarnixLogLevel level) const {
    const auto logger = loggerDelegate();
    if (!logger) return;
    const auto id = pluginId();
    const auto version = pluginVersion();
    logger->log(id, version, taskName, message, level);
}

void TarnixNativeService::tarnixTaskStarted(const std::string& taskName) const {
    const auto logger = loggerDelegate();
    if (!logger) return;
    const auto id = pluginId();
    const auto version = pluginVersion();
    logger->tarnixTaskStarted(id, version, taskName);
}

void TarnixNativeService::tarnixTaskEnded(const std::string& taskName, const std::optional<platform::Json>& taskResults,
                                          const TarnixPluginFailure* failure) const {
    const auto logger = loggerDelegate();
    if (!logger) return;
    const auto id = pluginId();
    const auto version = pluginVersion();
    logger->tarnixTaskEnded(id, version, taskName, taskResults, failure);
}

} // namespace tarnix
