#pragma once

#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/BaseFlowCoordinator.hpp"

#include "Platform/Foundation/HttpSession.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace vellicor {

/// The cold-start step that notices a community that moved to a domain of its
/// own before anyone signs in: one HEAD request to the community's start
/// page, no redirect followed. A redirect that leaves the community becomes
/// the selected community (files of the step's mode) and sets
/// "shouldSwitchCommunity", so that the switch step after it takes the new
/// address. Both are written from the redirect hook, on the session's
/// delegate queue, before the probe completes.
///
/// The step always ends with `transport` (carrying the probe's error, if
/// any); the chain goes on whatever it says. Without a login host or a start
/// page URL it ends at once and sends nothing. The probe's session is
/// invalidated as soon as its one task has been started, so the session lets
/// go of everything once that task has completed. execute() runs on the main
/// thread; the completion is moved there too.
class CustomDomainCoordinator : public BaseFlowCoordinator, public platform::HttpSessionDelegate {
public:
    static std::shared_ptr<CustomDomainCoordinator> create(AppMode appMode);

    /// Answers none for every redirect; stores the new address first when it
    /// leaves the community.
    void willPerformHTTPRedirection(platform::HttpSession& session, platform::HttpDataTask& task,
                                    const platform::HttpResponse& response, platform::HttpRequest newRequest,
                                    std::function<void(std::optional<platform::HttpRequest>)> completionHandler) override;

    AppMode appMode() const { return appMode_; }
    /// The probe's session; none before the probe was sent.
    const std::shared_ptr<platform::HttpSession>& urlSession() const { return urlSession_; }

    /// Seconds the probe may take.
    static constexpr double kProbeTimeout = 3.0;

protected:
    explicit CustomDomainCoordinator(AppMode appMode) : appMode_(appMode) {}

    void execute() override;

private:
    /// The ephemeral session with this step as its delegate, made on first use.
    const std::shared_ptr<platform::HttpSession>& session();
    /// Stores the redirect target as the selected community; false when it
    /// could not be captured.
    bool captureCustomDomain(const platform::Url& url) const;

    const AppMode appMode_;
    std::shared_ptr<platform::HttpSession> urlSession_;
};

} // namespace vellicor
