#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"

#include <optional>
#include <string>

namespace platform::appcenter {

/// A file sent with a crash report: a name, its bytes and their content type.
class PLATFORM_EXPORT MSACErrorAttachmentLog {
public:
    /// None when the file name or the content type is empty.
    static std::optional<MSACErrorAttachmentLog> make(std::string filename, Data attachmentBinary,
                                                      std::string contentType);

    const std::string& filename() const { return filename_; }
    const Data& data() const { return data_; }
    const std::string& contentType() const { return contentType_; }

private:
    MSACErrorAttachmentLog(std::string filename, Data data, std::string contentType)
        : filename_(std::move(filename)), data_(std::move(data)), contentType_(std::move(contentType)) {}

    std::string filename_;
    Data data_;
    std::string contentType_;
};

} // namespace platform::appcenter
