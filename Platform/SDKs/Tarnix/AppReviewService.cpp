#include "Platform/SDKs/Tarnix/AppReviewService.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

#include <atomic>

namespace platform::tarnixbridge {

namespace {

std::atomic<int>& reviewRequests() {
    static std::atomic<int> count = 0;
    return count;
}

} // namespace

std::shared_ptr<AppReviewService> AppReviewService::create(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate) {
    return std::shared_ptr<AppReviewService>(new AppReviewService(std::move(loggerDelegate)));
}

AppReviewService::AppReviewService(std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate)
    : TarnixPlugin(std::string(::tarnix::TarnixLoggerUtils::PluginIdMap::appReviewServiceId),
                   "TarnixPluginAppReviewService", std::move(loggerDelegate)) {}

int AppReviewService::reviewRequestCount() { return reviewRequests(); }

void AppReviewService::resetForTesting() { reviewRequests() = 0; }

void AppReviewService::perform(const std::string&, const Json&, Completion completion) {
    ++reviewRequests();
    completion(PluginOutcome{Json(), std::nullopt});
}

} // namespace platform::tarnixbridge
