#include "VellicorApp/Switching/ServiceProviderAppRowViewModel.hpp"

#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Image.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "ServiceProviderAppRowViewModel";
/// The scopes a service-provider app is signed in with.
const std::set<std::string> kServiceProviderScopes{"api", "web", "refresh_token"};

} // namespace

std::shared_ptr<ServiceProviderAppRowViewModel> ServiceProviderAppRowViewModel::create(
    std::size_t rowIndex, const std::shared_ptr<ServiceProviderAppListViewModel>& parentViewModel,
    std::shared_ptr<ServiceProviderAuthHandler> authHandler) {
    if (!parentViewModel || rowIndex >= parentViewModel->appInfos().size()) {
        platform::fatalError("Index out of range");
    }
    struct Made : ServiceProviderAppRowViewModel {
        Made(ServiceProviderAppInfo info, std::weak_ptr<ServiceProviderAppListViewModel> parent,
             std::shared_ptr<ServiceProviderAuthHandler> handler)
            : ServiceProviderAppRowViewModel(std::move(info), std::move(parent), std::move(handler)) {}
    };
    return std::make_shared<Made>(parentViewModel->appInfos()[rowIndex], parentViewModel, std::move(authHandler));
}

ServiceProviderAppRowViewModel::ServiceProviderAppRowViewModel(
    ServiceProviderAppInfo rowInfo, std::weak_ptr<ServiceProviderAppListViewModel> parentViewModel,
    std::shared_ptr<ServiceProviderAuthHandler> authHandler)
    : rowInfo_(std::move(rowInfo)),
      authHandler_(std::move(authHandler)),
      parentViewModel_(std::move(parentViewModel)) {}

std::string ServiceProviderAppRowViewModel::name() const { return rowInfo_.name; }

std::shared_ptr<platform::ui::Image> ServiceProviderAppRowViewModel::icon() const {
    const auto bytes = platform::base64Decode(rowInfo_.icon);
    if (!bytes) return nullptr;
    return platform::ui::Image::fromData(*bytes);
}

bool ServiceProviderAppRowViewModel::operator==(const ServiceProviderAppRowViewModel& other) const {
    if (rowInfo_ != other.rowInfo_) return false;
    const auto mine = parentViewModel_.lock();
    const auto theirs = other.parentViewModel_.lock();
    if (!mine || !theirs) return !mine && !theirs;
    return *mine == *theirs;
}

void ServiceProviderAppRowViewModel::loginButtonPressed(Update update) {
    const auto keychainGroup = fetchKeyChainGroupName();
    if (!keychainGroup) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("No valid Key Chain Group Name specified", kLogType);
        if (update) update(ServiceProviderAuthStatus::stopped);
        return;
    }
    logInteraction(KORVAMarkerName::multiSSOLoginRequestSent);
    const auto config = createServiceProviderConfig(*keychainGroup);
    updateIsAuthenticating(ServiceProviderAuthStatus::running, update);
    beginAuthentication(config, std::move(update));
}

std::optional<std::string> ServiceProviderAppRowViewModel::fetchKeyChainGroupName() const {
    return MultiSSOInfoStore().keyChainGroupName();
}

platform::veltrane::SPConfig ServiceProviderAppRowViewModel::createServiceProviderConfig(
    const std::string& keychainGroup) const {
    return platform::veltrane::SPConfig(rowInfo_.clientID, rowInfo_.redirectURI, kServiceProviderScopes, keychainGroup);
}

void ServiceProviderAppRowViewModel::beginAuthentication(const platform::veltrane::SPConfig& config, Update update) {
    // Holds this model weakly and the card's callback strongly: the callback
    // owns this model, so it lives as long as the sign-in may report.
    std::weak_ptr<const ServiceProviderAppRowViewModel> weak = weak_from_this();
    auto statusHandler = [weak, update](ServiceProviderAuthStatus status) {
        if (auto self = weak.lock()) self->handleAuthenticationStatus(status, update);
    };
    authHandler_->begin(config, std::move(statusHandler));
}

void ServiceProviderAppRowViewModel::handleAuthenticationStatus(ServiceProviderAuthStatus status,
                                                                const Update& update) const {
    switch (status) {
    case ServiceProviderAuthStatus::stopped: logInteraction(KORVAMarkerName::multiSSOServerErrorRecieved); break;
    case ServiceProviderAuthStatus::finished: logInteraction(KORVAMarkerName::multiSSOAuthCodeSent); break;
    case ServiceProviderAuthStatus::running:
    case ServiceProviderAuthStatus::paused: break;
    }
    updateIsAuthenticating(status, update);
}

void ServiceProviderAppRowViewModel::updateIsAuthenticating(ServiceProviderAuthStatus status,
                                                            const Update& update) const {
    // Always a later turn of the main queue, whatever thread the status came
    // on, so the list and the card see the statuses in the order they came.
    std::weak_ptr<const ServiceProviderAppRowViewModel> weak = weak_from_this();
    platform::MainQueue::async([weak, status, update] {
        if (auto self = weak.lock()) {
            if (auto parent = self->parentViewModel_.lock()) {
                parent->isAuthenticating = status == ServiceProviderAuthStatus::running;
            }
        }
        if (update) update(status);
    });
}

void ServiceProviderAppRowViewModel::logInteraction(KORVAMarkerName marker) const {
    AppContext::current()->korvaMarkerCenter->logInteraction(
        marker, platform::Json{{"appName", rowInfo_.name}, {"scheme", rowInfo_.scheme}});
}

} // namespace vellicor
