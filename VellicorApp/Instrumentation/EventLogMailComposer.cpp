#include "VellicorApp/Instrumentation/EventLogMailComposer.hpp"

#include "VellicorApp/Instrumentation/ObfuscatedString.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/DateFormatting.hpp"
#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthCredentials.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

namespace vellicor {

namespace {

constexpr const char* kNotAvailable = "N/A";

std::string yesOrNo(bool value) { return value ? "Yes" : "No"; }

// The options as a list: ["first", "second"].
std::string optionsList(const std::vector<std::string>& options) {
    std::string text = "[";
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (i > 0) text += ", ";
        text += "\"" + options[i] + "\"";
    }
    return text + "]";
}

} // namespace

EventLogMailComposer::EventLogMailComposer(std::shared_ptr<const BundleType> bundle, platform::Uuid contactUUID,
                                           std::optional<FeedbackPayload> feedbackPayload)
    : bundle_(std::move(bundle)), contactUUID_(contactUUID) {
    if (auto recipient = infoString("FeedbackMailRecipient")) mailModel_.mailTo.push_back(std::move(*recipient));
    mailModel_.subject = subject();
    mailModel_.body = feedbackBlock(feedbackPayload) + userBlock() + deviceBlock();
}

std::optional<std::string> EventLogMailComposer::infoString(const std::string& key) const {
    const auto value = bundle_->objectForInfoDictionaryKey(key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

const std::string& EventLogMailComposer::appName() {
    if (!appName_) appName_ = infoString("CFBundleDisplayName").value_or(kNotAvailable);
    return *appName_;
}

std::string EventLogMailComposer::subject() {
    // The hour is on the 12-hour clock without a marker, as support's tools
    // expect it; the device's locale gives the calendar and the digits.
    const auto stamp = platform::formatDate(platform::now(), "yyyyMMddhhmmss", "GMT",
                                            platform::veltrane::UIDevice::currentLocale());
    return appName() + " Log Report " + stamp;
}

std::string EventLogMailComposer::feedbackBlock(const std::optional<FeedbackPayload>& payload) {
    std::string block = "** MOBILE SOLVANE FEEDBACK CONTEXT **\n";
    if (!payload) return block + "Comment Text: \n";
    block += "Comment Text: " + payload->userInput + "\n";
    block += "Related Options: " + optionsList(payload->feedbackOptions) + "\n";
    block += "Contact for research: " + std::string(payload->contactMe ? "true" : "false") + "\n";
    block += "App Name: " + appName() + "\n";
    return block;
}

std::string EventLogMailComposer::userBlock() {
    const auto account = AppContext::current()->userAccountManager->currentUserAccount();
    std::string email = kNotAvailable;
    std::string userId = kNotAvailable;
    std::string orgId = kNotAvailable;
    if (account) {
        // Signed in without identity data: the lines stay empty.
        const auto idData = account->idData();
        email = idData ? idData->email.value_or("") : "";
        orgId = idData ? idData->orgId.value_or("") : "";
        const auto credentials = account->credentials();
        if (credentials && credentials->userId) userId = obfuscatedString(*credentials->userId);
    }
    return "\n** USER CONTEXT **\nEmail: " + email + "\nUser ID: " + userId + "\nOrg ID: " + orgId + "\n";
}

std::string EventLogMailComposer::deviceBlock() const {
    using platform::appcenter::MSACCrashes;
    const auto attributes = platform::veltrane::VQSDKVeltraneAnalyticsManager::getDeviceAppAttributes();
    const auto reachability = platform::veltrane::VQSDKReachability::reachabilityForInternetConnection();
    const auto status = reachability ? std::optional(static_cast<int>(reachability->currentReachabilityStatus()))
                                     : std::nullopt;

    std::string block = "\n** DEVICE CONTEXT **\n";
    block += "Platform: " + attributes.systemName + "\n";
    block += "Build: " + attributes.appVersion + " \n";
    block += "Device: " + attributes.hardware + "\n";
    block += "OS Version: " + attributes.systemVersion + "\n";
    block += "Crash: " + yesOrNo(MSACCrashes::hasCrashedInLastSession()) + "\n";
    block += "Received memory warning: " + yesOrNo(MSACCrashes::hasReceivedMemoryWarningInLastSession()) + "\n";
    block += "Device Language: " + platform::veltrane::UIDevice::currentLanguageCode().value_or(kNotAvailable) + "\n";
    block += "Network: " + networkDescription(status) + "\n";
    block += "Bundle ID: " + bundle_->bundleIdentifier().value_or(kNotAvailable) + "\n";
    if (const auto appCenterAppName = AppContext::current()->appCenterAppName()) {
        block += "LogLink: " + infoString("AppCenterPortalOrigin").value_or("") + "/orgs/" +
                 infoString("AppCenterOrganizationName").value_or("") + "/apps/" + *appCenterAppName +
                 "/crashes/search?q=" + contactUUID_.uuidString() + "&filter=\n";
    }
    return block;
}

std::string networkDescription(std::optional<int> reachabilityStatus) {
    if (reachabilityStatus == 0) return "No Connection";
    if (reachabilityStatus == 1) return "WIFI";
    return "Cellular";
}

} // namespace vellicor
