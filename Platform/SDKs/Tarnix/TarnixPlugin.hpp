#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"

#include "TarnixPlatformClient/TarnixNativeService.hpp"
#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::tarnixbridge {

/// Why a plug-in task failed: a short code and a text, as the page sees them.
class TARNIX_BRIDGE_EXPORT PluginFailure : public ::tarnix::TarnixPluginFailure {
public:
    PluginFailure(std::string code, std::string message) : code_(std::move(code)), message_(std::move(message)) {}
    std::string failureCode() const override { return code_; }
    std::string failureMessage() const override { return message_; }

private:
    std::string code_;
    std::string message_;
};

/// What a finished task gives: the value the page's promise resolves with,
/// and the results reported to the plug-in's logger.
struct TARNIX_BRIDGE_EXPORT PluginOutcome {
    Json value;
    std::optional<Json> taskResults;
};

/// A native plug-in the bridge can reach: a native service whose actions the
/// page calls by name. Main thread only, apart from what the native-service
/// contract allows (its enablement check runs on a global queue).
class TARNIX_BRIDGE_EXPORT TarnixPlugin : public ::tarnix::TarnixNativeService,
                                         public std::enable_shared_from_this<TarnixPlugin> {
public:
    using Answer = std::expected<PluginOutcome, PluginFailure>;
    using Completion = std::function<void(Answer)>;
    /// Resolves (a value) or rejects (an error text) the page's promise.
    using Reply = std::function<void(std::optional<Json> value, std::optional<std::string> error)>;

    std::string pluginId() const override { return pluginId_; }
    /// The CFBundleShortVersionString of the plug-in's bundle.
    std::string pluginVersion() const override;
    EnablementCheck enablementCheck() const override { return enablementCheck_; }
    void setEnablementCheck(EnablementCheck check) override { enablementCheck_ = std::move(check); }
    std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate() const override { return logger_; }
    void setLoggerDelegate(std::shared_ptr<::tarnix::TarnixLogger> logger) override { logger_ = std::move(logger); }

    /// Whether the plug-in has an action of that name.
    virtual bool handlesAction(std::string_view action) const = 0;

    /// Runs one call of the page. An unknown action is refused at once. The
    /// enablement check runs first, with the action as task name in its
    /// context; a refusal is logged as a warning and rejects the call without
    /// a task. Otherwise the task's start is reported, the action runs, and its
    /// end (results or failure) is reported before the reply is given.
    void handle(const std::string& action, const Json& args, Reply reply);

protected:
    /// `bundleName` names the bundle the plug-in's library registers (its version).
    TarnixPlugin(std::string pluginId, std::string bundleName, std::shared_ptr<::tarnix::TarnixLogger> logger);

    /// Performs an action this plug-in handles; calls the completion once, now
    /// or later, on the main thread.
    virtual void perform(const std::string& action, const Json& args, Completion completion) = 0;

private:
    std::string pluginId_;
    std::string bundleName_;
    EnablementCheck enablementCheck_;
    std::shared_ptr<::tarnix::TarnixLogger> logger_;
};

} // namespace platform::tarnixbridge
