#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include <memory>

namespace platform::tarnixbridge {

/// The app-review plug-in ("AppReviewService"). Its action "requestReview"
/// asks the system for the review prompt and answers null; the system
/// decides whether the prompt shows, so the page learns nothing more.
class TARNIX_BRIDGE_EXPORT AppReviewService : public TarnixPlugin {
public:
    static std::shared_ptr<AppReviewService> create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);

    /// How many review prompts were asked for in this process.
    static int reviewRequestCount();
    static void resetForTesting();

    bool handlesAction(std::string_view action) const override { return action == "requestReview"; }

protected:
    explicit AppReviewService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);
    void perform(const std::string& action, const Json& args, Completion completion) override;
};

} // namespace platform::tarnixbridge
