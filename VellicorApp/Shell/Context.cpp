#include "VellicorApp/Shell/Context.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsManaging.hpp"
#include "VellicorApp/Shell/FaultManager.hpp"
#include "VellicorApp/Shell/LoginHostProvider.hpp"
#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

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
      sessionID(std::move(dependencies.sessionID)),
      korvaMarkerCenter(dependencies.korvaMarkerCenter ? std::move(dependencies.korvaMarkerCenter)
                                                       : KORVAMarkerCenter::current()),
      eventStoreManager(dependencies.eventStoreManager
                            ? std::move(dependencies.eventStoreManager)
                            : CommunityEventStoreManager::create(
                                  platform::veltrane::VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance()
                                      ->eventStoreManager())),
      webDataStore(dependencies.webDataStore ? std::move(dependencies.webDataStore)
                                             : platform::web::WebsiteDataStore::defaultDataStore()),
      // Reads no context: this one is still being made.
      authenticationObserver(makeAuthenticationObserver(notificationCenter, kSessionRefreshTimeout)),
      loginHostStorage(dependencies.loginHostStorage
                           ? std::move(dependencies.loginHostStorage)
                           : VQSDKLoginHostStorageAdapter::create(
                                 platform::veltrane::VQSDKLoginHostStorage::sharedInstance())),
      faultManager(FaultManager::create()),
      networkService_(dependencies.networkService
                          ? std::move(dependencies.networkService)
                          : NetworkService::create(platform::veltrane::VQRestAPI::sharedGlobalInstance())) {}

std::shared_ptr<Context> Context::create(Dependencies dependencies) {
    return std::shared_ptr<Context>(new Context(std::move(dependencies)));
}

std::shared_ptr<Context> Context::makeDefault() {
    return create(Dependencies{
        .veltraneSDKManager = VeltraneSDKManagerAdapter::create(platform::veltrane::VeltraneSDKManager::sharedManager()),
        .userAccountManager =
            VQUserAccountManagerAdapter::create(platform::veltrane::VQUserAccountManager::sharedInstance()),
        .vqPushNotificationManager = platform::veltrane::VQPushNotificationManager::sharedInstance(),
        .userDefaults = UserDefaultsStore::standard(),
        .mainBundle = ApplicationBundle::main(),
        .sessionID = platform::Uuid().uuidString(),
        .notificationCenter = platform::NotificationCenter::defaultCenter(),
        .fileManager = &platform::FileManager::defaultManager(),
        .webDataStore = platform::web::WebsiteDataStore::defaultDataStore(),
    });
}

std::optional<std::string> Context::infoString(const std::string& key) const {
    const auto value = mainBundle->objectForInfoDictionaryKey(key);
    return value ? platform::asString(*value) : std::nullopt;
}

std::shared_ptr<platform::veltrane::VQUserAccount> Context::userAccount() const {
    return userAccountManager->currentUser();
}

bool Context::hasGuestExperience() const { return true; }

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

bool Context::supportsDonation() const {
    const auto address = infoString("DonationCommunityAddress");
    if (!address || address->empty()) return false;
    const auto startPage = communityStartPage(AppContext::current()->userAccountManager->loginHost());
    return startPage.find(*address) != std::string::npos;
}

} // namespace vellicor
