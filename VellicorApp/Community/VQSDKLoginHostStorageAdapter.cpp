#include "VellicorApp/Community/VQSDKLoginHostStorageAdapter.hpp"

#include "VellicorApp/Core/AppModeCommunity.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/Localization.hpp"

#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

namespace vellicor {

using platform::veltrane::VQSDKLoginHost;
using platform::veltrane::VQSDKLoginHostStorage;

namespace {

/// The Info.plist "SandboxLoginHost" as a login host, when it is set.
std::optional<VQSDKLoginHost> configuredSandboxHost() {
    const auto sandbox = AppContext::current()->sandboxLoginHost();
    if (!sandbox) return std::nullopt;
    return VQSDKLoginHost(localized("SANDBOX_LOGIN_HOST", "Sandbox."), *sandbox, false);
}

} // namespace

std::shared_ptr<VQSDKLoginHostStorageAdapter> VQSDKLoginHostStorageAdapter::create(
    std::shared_ptr<VQSDKLoginHostStorage> storage) {
    return std::shared_ptr<VQSDKLoginHostStorageAdapter>(new VQSDKLoginHostStorageAdapter(std::move(storage)));
}

void VQSDKLoginHostStorageAdapter::removeAllLoginHosts() {
    const auto count = storage_->numberOfLoginHosts();
    for (std::size_t i = 0; i < count; ++i) storage_->removeLoginHostAtIndex(0);
}

void VQSDKLoginHostStorageAdapter::resetDefaultLoginHosts() {
    const auto removeFirstIf = [this](const std::optional<std::string>& host) {
        const auto first = storage_->loginHostAtIndex(0);
        if (host && first && first->host == *host) storage_->removeLoginHostAtIndex(0);
    };
    removeFirstIf(VQSDKLoginHostStorage::productionLoginHost());
    removeFirstIf(VQSDKLoginHostStorage::sandboxLoginHost());
    removeFirstIf(loginHost(AppMode::normal));

    const auto appendUnlisted = [this](const std::optional<VQSDKLoginHost>& host) {
        if (host && !storage_->loginHostForHostAddress(host->host)) storage_->addLoginHost(*host);
    };
    appendUnlisted(vqLoginHost(AppContext::current()->appMode()));
    appendUnlisted(configuredSandboxHost());
}

void VQSDKLoginHostStorageAdapter::add(const VQSDKLoginHost& loginHost) { storage_->addLoginHost(loginHost); }

void VQSDKLoginHostStorageAdapter::addSandboxLoginHost() {
    if (const auto sandbox = configuredSandboxHost()) storage_->addLoginHost(*sandbox);
}

} // namespace vellicor
