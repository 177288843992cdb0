#include "VellicorApp/Core/Context.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/BiometricsManaging.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Core/LoginHostProvider.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

#include <utility>

namespace vellicor {

namespace {
constexpr const char* kLogType = "Context";
/// 24 hours, in milliseconds.
constexpr double kSessionRefreshTimeout = 86'400'000.0;
} // namespace

Context::Context(Dependencies dependencies)
    : veltraneSDKManager(std::move(dependencies.veltraneSDKManager)),
      userAccountManager(std::move(dependencies.userAccountManager)),
      vqPushNotificationManager(std::move(dependencies.vqPushNotificationManager)),
      userDefaults(std::move(dependencies.userDefaults)),
      mainBundle(std::move(dependencies.mainBundle)),
      notificationCenter(std::move(dependencies.notificationCenter)),
      fileManager(dependencies.fileManager != nullptr ? *dependencies.fileManager : platform::FileManager::defaultManager()),
      korvaMarkerCenter(std::move(dependencies.korvaMarkerCenter)),
      eventStoreManager(std::move(dependencies.eventStoreManager)),
      webDataStore(std::move(dependencies.webDataStore)),
      // Reads no context: this one is still being made.
      authenticationObserver(makeAuthenticationObserver(notificationCenter, kSessionRefreshTimeout)),
      clientFeatures(makeClientFeatures()),
      loginHostStorage(std::move(dependencies.loginHostStorage)),
      faultManager(FaultManager::create()),
      sessionID_(std::move(dependencies.sessionID)),
      networkService_(std::move(dependencies.networkService)) {}

std::shared_ptr<Context> Context::create(Dependencies dependencies) {
    return std::shared_ptr<Context>(new Context(completed(std::move(dependencies))));
}

template <class T> T Context::guarded(const T& field) const {
    std::lock_guard lock(mutex_);
    return field;
}

template <class T> void Context::setGuarded(T& field, T value) {
    // What the field held is released after the guard, outside it.
    T previous;
    std::lock_guard lock(mutex_);
    previous = std::exchange(field, std::move(value));
}

std::string Context::sessionID() const { return guarded(sessionID_); }
void Context::setSessionID(std::string sessionID) { setGuarded(sessionID_, std::move(sessionID)); }

std::shared_ptr<ManagedURLs> Context::managedURLs() const { return guarded(managedURLs_); }
void Context::setManagedURLs(std::shared_ptr<ManagedURLs> rules) { setGuarded(managedURLs_, std::move(rules)); }

std::shared_ptr<NetworkServicing> Context::networkService() const { return guarded(networkService_); }
void Context::setNetworkService(std::shared_ptr<NetworkServicing> service) {
    setGuarded(networkService_, std::move(service));
}

std::shared_ptr<BiometricsManaging> Context::biometricsManager() const { return guarded(biometricsManager_); }
void Context::setBiometricsManager(std::shared_ptr<BiometricsManaging> manager) {
    setGuarded(biometricsManager_, std::move(manager));
}

std::shared_ptr<FloatingActionButtonProviding> Context::floatingActionButtonProvider() const {
    return guarded(floatingActionButtonProvider_);
}
void Context::setFloatingActionButtonProvider(std::shared_ptr<FloatingActionButtonProviding> provider) {
    setGuarded(floatingActionButtonProvider_, std::move(provider));
}

std::shared_ptr<AppCoordinator> Context::appCoordinator() const { return guarded(appCoordinator_); }
void Context::setAppCoordinator(std::shared_ptr<AppCoordinator> coordinator) {
    setGuarded(appCoordinator_, std::move(coordinator));
}

std::shared_ptr<AppUpdateManager> Context::appUpdateManager() const { return guarded(appUpdateManager_); }
void Context::setAppUpdateManager(std::shared_ptr<AppUpdateManager> manager) {
    setGuarded(appUpdateManager_, std::move(manager));
}

std::optional<std::string> Context::infoString(const std::string& key) const {
    const auto value = mainBundle->objectForInfoDictionaryKey(key);
    return value ? platform::asString(*value) : std::nullopt;
}

std::shared_ptr<platform::veltrane::VQUserAccount> Context::userAccount() const {
    return userAccountManager->currentUser();
}

bool Context::isUserLoggedIn() const { return userAccount() != nullptr; }

AppMode Context::appMode() const { return yarrowinAppType() ? AppMode::yarrowin : AppMode::normal; }

std::optional<YarrowinAppType> Context::yarrowinAppType() const {
    const auto text = infoString("YarrowinAppType");
    return text ? yarrowinAppTypeFromRawValue(*text) : std::nullopt;
}

std::optional<platform::ui::Color> Context::navBarColor() const {
    const auto text = infoString("LoginViewNavBarColor");
    return text ? platform::veltrane::colorFromHexValue(*text) : std::nullopt;
}

std::optional<platform::ui::Color> Context::navBarTrueColor() const {
    const auto text = infoString("NavBarTrueColor");
    if (!text) return std::nullopt;
    if (auto color = platform::veltrane::colorFromHexValue(*text)) return color;
    return navBarColor();
}

std::optional<std::string> Context::appCenterAppName() const {
    auto name = infoString("AppCenterLiveAppName");
    if (!name || name->empty()) {
        Logger::error("No AppCenterLiveAppName found in Info.plist!", kLogType);
        return std::nullopt;
    }
    return name;
}

std::string Context::appCenterID() const {
    auto secret = infoString("AppCenterAppSecret");
    if (!secret || secret->empty()) {
        Logger::error("No AppCenterAppSecret found in Info.plist!", kLogType);
        return {};
    }
    return *secret;
}

std::optional<std::string> Context::defaultLoginHost() const { return infoString("TOVKOAuthLoginHost"); }

std::optional<std::string> Context::sandboxLoginHost() const {
    auto host = infoString("SandboxLoginHost");
    if (!host || host->empty()) return std::nullopt;
    return host;
}

bool Context::defaultIsPlexaCommunity() const {
    const auto value = mainBundle->objectForInfoDictionaryKey("IsPlexa");
    return value ? platform::asBool(*value).value_or(false) : false;
}

std::string Context::communityIdentifier() const {
    const auto shortVersion = infoString("CFBundleShortVersionString");
    if (!shortVersion) platform::fatalError("No short version found in Info.plist!");
    const auto version = infoString("CFBundleVersion");
    if (!version) platform::fatalError("No version found in Info.plist!");
    return "CommunityHybridContainer/" + *shortVersion + "." + *version;
}

} // namespace vellicor
