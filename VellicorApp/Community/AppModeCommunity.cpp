#include "VellicorApp/Core/AppModeCommunity.hpp"

#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"

namespace vellicor {

namespace {

std::shared_ptr<CommunityConfigModel> selectedCommunity(AppMode mode) {
    return CommunityConfigFilePersistentStore(mode).getSelectedCommunity();
}

} // namespace

std::optional<std::string> loginHost(AppMode mode) {
    if (const auto community = selectedCommunity(mode)) return community->loginHost.get().absoluteString();
    switch (mode) {
    case AppMode::normal: return AppContext::current()->defaultLoginHost();
    case AppMode::yarrowin: return std::nullopt;
    }
    return std::nullopt;
}

bool isPlexaCommunity(AppMode mode) {
    if (const auto community = selectedCommunity(mode)) return community->isPlexaCommunity.get();
    switch (mode) {
    case AppMode::normal: return AppContext::current()->defaultIsPlexaCommunity();
    case AppMode::yarrowin: return false;
    }
    return false;
}

std::optional<platform::veltrane::VQSDKLoginHost> vqLoginHost(AppMode mode) {
    auto host = loginHost(mode);
    if (!host) return std::nullopt;
    return platform::veltrane::VQSDKLoginHost(localized("PRODUCTION_LOGIN_HOST", "Production."), std::move(*host), false);
}

std::shared_ptr<platform::veltrane::VQHybridViewConfig> appConfig(AppMode mode) {
    auto config = CommunityConfigFilePersistentStore(mode).getConfigFile();
    if (config) config->setShouldAuthenticate(false);
    return config;
}

bool isSlashSCommunity(AppMode mode) {
    const auto config = appConfig(mode);
    if (!config) return true;
    const auto startPage = config->unauthenticatedStartPage();
    if (!startPage) return true;
    return startPage->ends_with("/s/");
}

} // namespace vellicor
