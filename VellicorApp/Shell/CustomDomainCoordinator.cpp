#include "VellicorApp/Shell/CustomDomainCoordinator.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Community/CommunityConfigModel.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/KeyValueStore.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"

namespace vellicor {

namespace {
constexpr const char* kStepLogType = "CustomDomainCoordinator";
} // namespace

std::shared_ptr<CustomDomainCoordinator> CustomDomainCoordinator::create(AppMode appMode) {
    return std::shared_ptr<CustomDomainCoordinator>(new CustomDomainCoordinator(appMode));
}

const std::shared_ptr<platform::HttpSession>& CustomDomainCoordinator::session() {
    if (!urlSession_) {
        // The session keeps its delegate weakly; this step owns the session.
        std::shared_ptr<platform::HttpSessionDelegate> delegate =
            std::static_pointer_cast<CustomDomainCoordinator>(shared_from_this());
        urlSession_ =
            platform::HttpSession::create(platform::HttpSessionConfiguration::ephemeralConfiguration(), delegate);
    }
    return urlSession_;
}

void CustomDomainCoordinator::execute() {
    const auto host = loginHost(appMode_);
    if (!host) {
        complete(std::nullopt);
        return;
    }
    const auto startPage = platform::Url::parse(communityStartPage(*host));
    if (!startPage) {
        complete(std::nullopt);
        return;
    }
    platform::HttpRequest request(*startPage, kProbeTimeout);
    request.httpMethod = "HEAD";

    std::weak_ptr<BaseFlowCoordinator> weakSelf = weak_from_this();
    const auto& probeSession = session();
    probeSession->send(std::move(request), [weakSelf](std::optional<platform::Data>,
                                                      std::optional<platform::HttpResponse>,
                                                      std::optional<platform::Error> error) {
        platform::MainQueue::async([weakSelf, error = std::move(error)] {
            if (error) {
                // Log text read by support tooling; keep verbatim.
                Logger::error("Custom domain validation failed with error: " + error->localizedDescription(),
                              kStepLogType);
            }
            const auto self = std::static_pointer_cast<CustomDomainCoordinator>(weakSelf.lock());
            if (!self) return;
            std::optional<AnyError> transported;
            if (error) transported = AnyError(*error);
            self->complete(FlowCoordinatorError::transport(std::move(transported)));
        });
    });
    // The probe is the session's only task: once it has completed the session
    // is done, and an invalidated session holds nothing past its last task.
    probeSession->finishTasksAndInvalidate();
}

void CustomDomainCoordinator::willPerformHTTPRedirection(
    platform::HttpSession&, platform::HttpDataTask&, const platform::HttpResponse&, platform::HttpRequest newRequest,
    std::function<void(std::optional<platform::HttpRequest>)> completionHandler) {
    // Log texts below are read by support tooling; keep verbatim.
    if (!newRequest.url) {
        Logger::error("Response URL for custom domain validation is nil.", kStepLogType);
        completionHandler(std::nullopt);
        return;
    }
    const auto& url = *newRequest.url;
    Logger::info("Response URL: " + url.absoluteString(), kStepLogType);
    const auto host = loginHost(appMode_);
    if (!host || isInternalCommunityURL(url, *host)) {
        Logger::info("Response URL for custom domain validation is internal. "
                     "Moving forward without any change!",
                     kStepLogType);
        completionHandler(std::nullopt);
        return;
    }
    Logger::info("Response URL for custom domain is a valid custom domain. "
                 "Moving forward with caching new domain URL.",
                 kStepLogType);
    if (!captureCustomDomain(url)) {
        Logger::warning("Failed to catch custom domain!", kStepLogType);
    }
    completionHandler(std::nullopt);
}

bool CustomDomainCoordinator::captureCustomDomain(const platform::Url& url) const {
    auto components = platform::UrlComponents::fromUrl(url, false);
    if (!components) return false;
    components->percentEncodedQuery = std::nullopt;
    const auto withoutQuery = components->url();
    if (!withoutQuery) return false;
    const auto label = localized("CUSTOM_DOMAIN", "Label for custom domain URLs.");
    const auto model = CommunityConfigModel::create(std::nullopt, *withoutQuery, label, isSlashSCommunity(appMode_),
                                                    isPlexaCommunity(appMode_));
    if (!model) return false;
    CommunityConfigFilePersistentStore(appMode_).updateConfigFiles(model);
    AppContext::current()->userDefaults->setBool("shouldSwitchCommunity", true);
    return true;
}

} // namespace vellicor
