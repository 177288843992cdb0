#include "VellicorApp/Shell/MobileSDKConfigurator.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/LoginHostProvider.hpp"
#include "VellicorApp/Shell/CommunityHybridSDKManager.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
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

std::string asciiFiltered(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const auto character : platform::characters(text)) {
        const bool singleAsciiScalar = character.size() == 1 && static_cast<unsigned char>(character.front()) < 0x80;
        if (singleAsciiScalar || character == "\r\n") result.append(character);
    }
    return result;
}

void MobileSDKConfigurator::configure() {
    using namespace platform::veltrane;

    (void)KeychainHelper::setAccessibleAttribute(KeychainHelper::ItemAccessibility::afterFirstUnlock);
    CommunityHybridSDKManager::initializeSDK();

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
