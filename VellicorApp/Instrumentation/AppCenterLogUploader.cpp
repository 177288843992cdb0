#include "VellicorApp/Instrumentation/AppCenterLogUploader.hpp"

#include "VellicorApp/Instrumentation/AppCenterLog.hpp"
#include "VellicorApp/Instrumentation/AppleErrorLog.hpp"
#include "VellicorApp/Instrumentation/ErrorAttachmentLog.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/DateFormatting.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppCenterLogUploader";

std::optional<platform::Url> logUploadURL() {
    const auto origin = AppContext::current()->mainBundle->objectForInfoDictionaryKey("AppCenterIngestionOrigin");
    if (!origin || !origin->is_string()) return std::nullopt;
    auto url = platform::Url::parse(origin->get<std::string>() + "/logs?Api-Version=1.0.0");
    if (!url || !url->scheme() || !url->host() || url->host()->empty()) return std::nullopt;
    return url;
}

std::string describe(const platform::HttpResponse& response) {
    return "{ URL: " + response.url().absoluteString() + " } { Status Code: " +
           std::to_string(response.statusCode()) + " }";
}

} // namespace

AppCenterLogUploader::AppCenterLogUploader(std::string UUID, std::shared_ptr<const LogUploading> network)
    : UUID_(std::move(UUID)), network_(std::move(network)) {}

void AppCenterLogUploader::sendLog(const std::string& /*uuid*/) const {
    // Log texts read by support tooling; keep them verbatim.
    if (platform::veltrane::UIDevice::isSimulator() && !AppConstants::Environment::isUnitTesting()) {
        Logger::info("Can't send logs to AppCenter coz app is running on simulator", kLogType);
        return;
    }
    const auto deviceLog = Logger::readLogFile();
    if (!deviceLog) {
        Logger::warning("Can't send logs to AppCenter coz Log file is nil", kLogType);
        return;
    }
    const auto payload = constructPayload(*deviceLog);
    if (!payload) return;
    const auto url = logUploadURL();
    if (!url) {
        Logger::error("Failed to create log upload URL", kLogType);
        return;
    }
    network_->upload(*url, UUID_, platform::dataFromString(*payload),
                     [](std::optional<platform::Data>, std::optional<platform::HttpResponse> response,
                        std::optional<platform::Error> error) {
                         if (error) {
                             Logger::error("Upload logs to AppCenter failed with error: " +
                                               error->localizedDescription(),
                                           kLogType);
                             return;
                         }
                         Logger::info("Upload logs to AppCenter successful response: " +
                                          (response ? describe(*response) : std::string("N/A")),
                                      kLogType);
                     });
}

std::optional<std::string> AppCenterLogUploader::constructPayload(std::string_view deviceLog) const {
    if (!platform::isValidUtf8(deviceLog)) {
        Logger::error("Error encoding device logs.", kLogType);
        return std::nullopt;
    }
    const auto data = platform::base64Encode(platform::dataFromString(deviceLog));
    const auto timestamp = formattedNow();
    const auto deviceInfo = getDeviceInfo();
    const AppCenterLog document{{
        std::make_shared<AppleErrorLog>(timestamp, timestamp, UUID_, deviceInfo, UUID_),
        std::make_shared<ErrorAttachmentLog>(timestamp, data, UUID_, deviceInfo),
    }};
    try {
        return document.json().dump();
    } catch (const platform::Json::exception&) {
        // A text of the device that is not UTF-8 cannot be written as JSON.
        Logger::error("Failed to construct payload.", kLogType);
        return std::nullopt;
    }
}

DeviceInfo AppCenterLogUploader::getDeviceInfo() { return DeviceInfo::current(); }

std::string AppCenterLogUploader::formattedNow() const {
    // The formatter's own settings are the pattern and the zone; the
    // device's locale gives the calendar and the digits.
    return platform::formatDate(platform::now(), "yyyy-MM-dd HH:mm", "UTC",
                                platform::veltrane::UIDevice::currentLocale());
}

} // namespace vellicor
