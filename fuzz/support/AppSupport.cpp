#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Hybrid/VQUserAccountManagerAdapter.hpp"
#include "VellicorApp/SampleResources.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/BundleType.hpp"
#include "VellicorApp/Shell/Context.hpp"
#include "VellicorApp/Shell/KeyValueStore.hpp"
#include "VellicorApp/Shell/VeltraneSDKManaging.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/Veltrane/VQPushNotificationManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

namespace fuzzsupport {

std::shared_ptr<vellicor::Context> setUpApp() {
    static const auto context = [] {
        setUpPlatform();
        const auto package = vellicor::sampleResourcesDirectory();
        platform::Bundle::setMainBundlePath(package);
        auto installed = vellicor::Context::create(vellicor::Context::Dependencies{
            .veltraneSDKManager =
                vellicor::VeltraneSDKManagerAdapter::create(platform::veltrane::VeltraneSDKManager::sharedManager()),
            .userAccountManager = vellicor::VQUserAccountManagerAdapter::create(
                platform::veltrane::VQUserAccountManager::sharedInstance()),
            .vqPushNotificationManager = platform::veltrane::VQPushNotificationManager::sharedInstance(),
            .userDefaults = vellicor::UserDefaultsStore::standard(),
            .mainBundle = vellicor::ApplicationBundle::create(platform::Bundle::atPath(package)),
            .sessionID = platform::Uuid().uuidString(),
            .notificationCenter = platform::NotificationCenter::defaultCenter(),
            .fileManager = &platform::FileManager::defaultManager(),
        });
        vellicor::AppContext::setStackForTesting({installed});
        return installed;
    }();
    return context;
}

} // namespace fuzzsupport
