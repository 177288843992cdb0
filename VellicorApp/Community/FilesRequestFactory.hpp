#pragma once

#include "VellicorApp/Community/FileModel.hpp"

#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// The REST requests of file records (all GET). Without authentication a
/// request goes as a full URL to the community host. Only a record ID of 15
/// or 18 ASCII letters and digits, and an article type and field name of
/// ASCII letters, digits and "_", make a request; any other gives none.
class FilesRequestFactory {
public:
    static std::optional<platform::veltrane::VQRestRequest> contentMetadataRequest(const std::string& id,
                                                                                  bool requiresAuthentication);
    static std::optional<platform::veltrane::VQRestRequest>
    knowledgeArticleMetadataRequest(const std::string& articleType, const std::string& knowledgeArticleID,
                                    bool requiresAuthentication);
    static std::optional<platform::veltrane::VQRestRequest>
    knowledgeArticleDownloadRequest(const std::string& articleType, const std::string& knowledgeArticleID,
                                    const std::string& fieldID, bool requiresAuthentication);
    static std::optional<platform::veltrane::VQRestRequest> contentDownloadRequest(const std::string& id,
                                                                                  bool requiresAuthentication);
    static std::optional<platform::veltrane::VQRestRequest> downloadRequest(const std::string& id,
                                                                           bool requiresAuthentication);
    static std::optional<platform::veltrane::VQRestRequest> fileDownloadRequest(const FileModel& model,
                                                                               bool requiresAuthentication);
};

} // namespace vellicor
