// The running app's context, put together from every folder's shared
// objects. The context itself knows these only by forward declarations.

#include "VellicorApp/Core/Context.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Community/VQSDKLoginHostStorageAdapter.hpp"
#include "VellicorApp/Hybrid/VQUserAccountManagerAdapter.hpp"
#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"

#include <utility>

namespace vellicor {

Context::Dependencies Context::completed(Dependencies dependencies) {
    if (!dependencies.korvaMarkerCenter) dependencies.korvaMarkerCenter = KORVAMarkerCenter::current();
    if (!dependencies.eventStoreManager) {
        dependencies.eventStoreManager = CommunityEventStoreManager::create(
            platform::veltrane::VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance()->eventStoreManager());
    }
    if (!dependencies.webDataStore) dependencies.webDataStore = platform::web::WebsiteDataStore::defaultDataStore();
    if (!dependencies.loginHostStorage) {
        dependencies.loginHostStorage =
            VQSDKLoginHostStorageAdapter::create(platform::veltrane::VQSDKLoginHostStorage::sharedInstance());
    }
    // Signed out at creation: the global REST client.
    if (!dependencies.networkService) {
        dependencies.networkService = NetworkService::create(platform::veltrane::VQRestAPI::sharedGlobalInstance());
    }
    return dependencies;
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

} // namespace vellicor
