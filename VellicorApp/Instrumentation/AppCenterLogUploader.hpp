#pragma once

#include "VellicorApp/Instrumentation/DeviceInfo.hpp"
#include "VellicorApp/Instrumentation/LogUploading.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

/// Uploads the app's log file once to the App Center ingestion service as a
/// custom error report under a feedback mail's contact UUID, fire and
/// forget: nothing is retried and every outcome only reaches the log.
///
/// The request: "POST <origin>/logs?Api-Version=1.0.0", where the origin is
/// the Info.plist string "AppCenterIngestionOrigin", through `network`
/// (install-id: the contact UUID). Any answer without a transport error
/// counts as success; its status is not examined.
///
/// sendLog() runs on the caller's thread (the main thread) and reads the log
/// file there; the completion runs on the network's queue, refers to nothing
/// of the uploader and only logs, so the uploader need not outlive the call.
class AppCenterLogUploader {
public:
    /// `UUID`: the contact UUID text (36 upper-case characters).
    AppCenterLogUploader(std::string UUID, std::shared_ptr<const LogUploading> network);

    /// Sends the log; the argument is not read (the stored UUID is used).
    void sendLog(const std::string& uuid) const;

    /// The JSON document of the upload for a log text: an error report and
    /// the log's attachment, both stamped with the current time in UTC
    /// ("yyyy-MM-dd HH:mm") and carrying the contact UUID as their ids. None,
    /// with an error logged, when the text is not UTF-8 or cannot be encoded.
    std::optional<std::string> constructPayload(std::string_view deviceLog) const;

    const std::string& UUID() const { return UUID_; }

private:
    static DeviceInfo getDeviceInfo();
    std::string formattedNow() const;

    std::string UUID_;
    std::shared_ptr<const LogUploading> network_;
};

} // namespace vellicor
