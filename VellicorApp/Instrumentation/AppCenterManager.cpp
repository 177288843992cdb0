#include "VellicorApp/Instrumentation/AppCenterManager.hpp"

#include "VellicorApp/Instrumentation/ObfuscatedString.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppCenterManager";

using platform::appcenter::MSACAppCenter;
using platform::appcenter::MSACCrashes;

} // namespace

std::shared_ptr<AppCenterManager> AppCenterManager::create() {
    return std::shared_ptr<AppCenterManager>(new AppCenterManager());
}

void AppCenterManager::start() {
    if (platform::veltrane::UIDevice::isSimulator() && !AppConstants::Environment::isUnitTesting()) return;
    // Log text read by support tooling; keep verbatim.
    if (MSACCrashes::hasCrashedInLastSession()) Logger::warning("DidCrashInLastSession", kLogType);
    MSACCrashes::setDelegate(weak_from_this());
    MSACAppCenter::setLogLevel(platform::appcenter::MSACLogLevel::warning);
    MSACAppCenter::start(AppContext::current()->appCenterID(),
                         {platform::appcenter::MSACService::analytics, platform::appcenter::MSACService::crashes});
    MSACAppCenter::setUserId(userString());
}

bool AppCenterManager::crashesShouldProcess(MSACCrashes& /*crashes*/,
                                            const platform::appcenter::MSACErrorReport& /*report*/) {
    return true;
}

void AppCenterManager::crashesWillSend(MSACCrashes& /*crashes*/,
                                       const platform::appcenter::MSACErrorReport& /*report*/) {
    MSACAppCenter::setUserId(userString());
}

std::optional<std::vector<platform::appcenter::MSACErrorAttachmentLog>> AppCenterManager::attachments(
    MSACCrashes& /*crashes*/, const platform::appcenter::MSACErrorReport& /*report*/) {
    auto attachment = platform::appcenter::MSACErrorAttachmentLog::make(
        "CrashLog.txt", platform::dataFromString(obfuscatedString(unifiedFileContent())), "text/plain");
    if (!attachment) {
        // Log text read by support tooling; keep verbatim.
        Logger::error("Failed to App Center attachement logs", kLogType);
        return std::nullopt;
    }
    return std::vector{std::move(*attachment)};
}

std::string AppCenterManager::userString() {
    const auto account = AppContext::current()->userAccountManager->currentUserAccount();
    if (!account) return "orgId:not_logged_in userId:not_logged_in";
    const auto idData = account->idData();
    const auto orgId = idData ? idData->orgId.value_or("") : std::string();
    const auto userId = idData ? idData->userId.value_or("") : std::string();
    return "orgId:" + orgId + " userId:" + userId;
}

std::string AppCenterManager::unifiedFileContent() {
    const std::string rule(80, '=');
    std::string content;
    for (const auto& logger : Logger::allLoggers()) {
        const auto fileLogger = logger->fileLogger();
        const auto text = fileLogger ? fileLogger->readFile() : std::nullopt;
        if (!text) continue;
        content.append(rule).append("\n").append(logger->componentName()).append(":\n");
        content.append(rule).append("\n ").append(platform::suffixCharacters(*text, kMaxLogSize)).append(" \n\n");
    }
    return content;
}

} // namespace vellicor
