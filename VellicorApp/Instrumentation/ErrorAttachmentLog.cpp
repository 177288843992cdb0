#include "VellicorApp/Instrumentation/ErrorAttachmentLog.hpp"

namespace vellicor {

ErrorAttachmentLog::ErrorAttachmentLog(std::string timestamp, std::string data, std::string errorId,
                                       DeviceInfo deviceInfo)
    : AnyLog("errorAttachment", std::move(timestamp), std::move(deviceInfo)), data(std::move(data)),
      errorId(std::move(errorId)) {}

void ErrorAttachmentLog::encode(platform::Json& container) const {
    AnyLog::encode(container);
    container["contentType"] = contentType;
    container["data"] = data;
    container["errorId"] = errorId;
}

} // namespace vellicor
