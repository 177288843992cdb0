// The context's changes on sign-in and sign-out, which reach the user's
// biometric lock, the network service, the cookies and the caches: declared
// with AppContext, defined here, where those parts are put together.
#include "VellicorApp/Core/AppContext.hpp"

#include "VellicorApp/Community/ConfigFileCache.hpp"
#include "VellicorApp/Community/FileCache.hpp"
#include "VellicorApp/Community/FileDownloads.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/WebsiteDataStoreCookies.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"

#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppContext";

} // namespace

void AppContext::updateWithCurrentUser() {
    const auto context = current();
    const auto user = context->userAccount();
    if (!user) {
        Logger::info("No user found, not updating current context with user!", kLogType);
        return;
    }
    context->setBiometricsManager(BiometricsManager::create(user));
    context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedInstance()));
    context->faultManager->performAPIAccessCheck();
}

void AppContext::cleanupWithUserLogout() {
    const auto context = current();
    if (!context->isUserLoggedIn()) {
        Logger::error("No user found, failed to perform user cleanup!", kLogType);
        return;
    }
    context->setBiometricsManager(nullptr);
    clearCookies(context->webDataStore);
    // Downloads under way end first, so that none lands after the wipe.
    FileDownloads::shared().endSession();
    FileCache(platform::FileManager::defaultManager()).clear();
    ConfigFileCache(platform::FileManager::defaultManager(), "NativeNavigation").clear();
    context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedGlobalInstance()));
}

} // namespace vellicor
