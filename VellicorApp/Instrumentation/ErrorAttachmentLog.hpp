#pragma once

#include "VellicorApp/Instrumentation/AnyLog.hpp"

#include <string>

namespace vellicor {

/// The log text of an upload ("errorAttachment"), in Base64, attached to the
/// error report whose id it names.
class ErrorAttachmentLog : public AnyLog {
public:
    ErrorAttachmentLog(std::string timestamp, std::string data, std::string errorId, DeviceInfo deviceInfo);

    void encode(platform::Json& container) const override;

    std::string contentType = "text/plain";
    std::string data;
    std::string errorId;
};

} // namespace vellicor
