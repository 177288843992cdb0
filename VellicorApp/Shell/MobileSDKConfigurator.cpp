#include "VellicorApp/Shell/MobileSDKConfigurator.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/LoginHostProvider.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/VeltraneHybridSDKManager.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <algorithm>

namespace vellicor {

namespace {

/// "CommunityHybridContainer-<bundle id>-<bundle name without blanks>", ASCII
/// only; none without a bundle identifier or a bundle name.
std::optional<std::string> reportedAppName(const BundleType& bundle) {
    const auto identifier = bundle.bundleIdentifier();
    if (!identifier) return std::nullopt;
    const auto nameValue = bundle.objectForInfoDictionaryKey("CFBundleName");
    const auto name = nameValue ? platform::asString(*nameValue) : std::nullopt;
    if (!name) return std::nullopt;
    auto cleanName = platform::trimmingWhitespace(*name);
    std::erase(cleanName, ' ');
    return asciiFiltered("CommunityHybridContainer-" + *identifier + "-" + cleanName);
}

} // namespace

void MobileSDKConfigurator::configure() {
    using namespace platform::veltrane;

    (void)KeychainHelper::setAccessibleAttribute(KeychainHelper::ItemAccessibility::afterFirstUnlock);
    VeltraneSDKManager::initializeSDK<VeltraneHybridSDKManager>();

    const auto context = AppContext::current();
    context->veltraneSDKManager->setUsesSnapshotView(false);
    context->veltraneSDKManager->setUseWebServerAuthentication(false);
    context->userAccountManager->addAdditionalOAuthParams();
    context->userAccountManager->configureLoginView();
    context->userAccountManager->configureLoginCancellationBlock();
    context->loginHostStorage->resetDefaultLoginHosts();

    if (const auto name = reportedAppName(*context->mainBundle)) {
        VeltraneSDKManager::setKorvaAppName(*name);
        VeltraneSDKManager::setAppName(*name);
    }
}

} // namespace vellicor
