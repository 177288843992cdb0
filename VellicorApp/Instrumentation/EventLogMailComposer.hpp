#pragma once

#include "VellicorApp/Instrumentation/FeedbackPayload.hpp"
#include "VellicorApp/Instrumentation/MailModel.hpp"
#include "VellicorApp/Core/BundleType.hpp"

#include "Platform/Foundation/Uuid.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// Composes the feedback and event-log mail at once, on creation: to the
/// feedback recipient of the app's configuration, with the subject
/// "<app name> Log Report <yyyyMMddhhmmss in GMT>" and a plain-text body of
/// three blocks: the feedback (the payload, or only an empty comment without
/// one), the signed-in user (the user id masked) and the device, whose last
/// line links to the upload of the app's log under the contact UUID.
///
/// Configuration (Info.plist strings): "CFBundleDisplayName" (the app name,
/// "N/A" without one), "FeedbackMailRecipient" (no recipient without one),
/// "AppCenterPortalOrigin" and "AppCenterOrganizationName" (the start of the
/// log link; empty without them), and, through the running context,
/// "AppCenterLiveAppName" (no log link without one).
///
/// Made for one mail on the main thread; reads the running context, the
/// device, the network's reachability and the crash service as it is made.
class EventLogMailComposer {
public:
    EventLogMailComposer(std::shared_ptr<const BundleType> bundle, platform::Uuid contactUUID,
                         std::optional<FeedbackPayload> feedbackPayload);

    const MailModel& mailModel() const { return mailModel_; }
    const platform::Uuid& contactUUID() const { return contactUUID_; }

private:
    const std::string& appName();
    std::string subject();
    std::string feedbackBlock(const std::optional<FeedbackPayload>& payload);
    static std::string userBlock();
    std::string deviceBlock() const;
    std::optional<std::string> infoString(const std::string& key) const;

    std::shared_ptr<const BundleType> bundle_;
    platform::Uuid contactUUID_;
    MailModel mailModel_;
    std::optional<std::string> appName_; // worked out on first use
};

/// The value of the mail's "Network: " line for a reachability status (0 no
/// connection, 1 Wi-Fi, anything else cellular), or none when no
/// reachability object was available.
std::string networkDescription(std::optional<int> reachabilityStatus);

} // namespace vellicor
