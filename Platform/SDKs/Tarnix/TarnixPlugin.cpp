#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

namespace platform::tarnixbridge {

TarnixPlugin::TarnixPlugin(std::string pluginId, std::string bundleName, std::shared_ptr<::tarnix::TarnixLogger> logger)
    : pluginId_(std::move(pluginId)), bundleName_(std::move(bundleName)), logger_(std::move(logger)) {}

std::string TarnixPlugin::pluginVersion() const { return ::tarnix::TarnixLoggerUtils::getPluginVersion(bundleName_); }

void TarnixPlugin::handle(const std::string& action, const Json& args, Reply reply) {
    if (!handlesAction(action)) {
        reply(std::nullopt, "Unknown action '" + action + "' of " + pluginId_ + ".");
        return;
    }
    const Json context = {{std::string(::tarnix::EnablementCheckContext::PluginTaskName), action}};
    const auto enablement = serviceIsEnabled(context);
    if (!enablement.enabled()) {
        const auto& error = enablement.error();
        const auto reason = error ? ::tarnix::localizedDescription(*error) : std::string("The service is not enabled.");
        log(action, "Service not enabled: " + reason, ::tarnix::TarnixLogLevel::WARNING);
        reply(std::nullopt, reason);
        return;
    }
    tarnixTaskStarted(action);
    // The plug-in keeps itself alive until its task has ended: the page awaits it.
    auto self = shared_from_this();
    perform(action, args, [self, action, reply = std::move(reply)](Answer answer) {
        if (answer) {
            self->tarnixTaskEnded(action, answer->taskResults, nullptr);
            reply(std::move(answer->value), std::nullopt);
        } else {
            self->tarnixTaskEnded(action, std::nullopt, &answer.error());
            reply(std::nullopt, answer.error().localizedDescription());
        }
    });
}

} // namespace platform::tarnixbridge
