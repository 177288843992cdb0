#include "Platform/SDKs/AppCenter/MSACErrorAttachmentLog.hpp"

namespace platform::appcenter {

std::optional<MSACErrorAttachmentLog> MSACErrorAttachmentLog::make(std::string filename, Data attachmentBinary,
                                                                   std::string contentType) {
    if (filename.empty() || contentType.empty()) return std::nullopt;
    return MSACErrorAttachmentLog(std::move(filename), std::move(attachmentBinary), std::move(contentType));
}

} // namespace platform::appcenter
