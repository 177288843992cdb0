#include "VellicorApp/Community/FilesRequestFactory.hpp"

#include "VellicorApp/Community/EntityType.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include <algorithm>
#include <string_view>

namespace vellicor {

using platform::veltrane::VQRestMethod;
using platform::veltrane::VQRestRequest;

namespace {

VQRestRequest contentRequest(const std::string& path, bool requiresAuthentication) {
    auto request = VQRestRequest::requestWithMethod(VQRestMethod::GET, path);
    request.requiresAuthentication = requiresAuthentication;
    if (!requiresAuthentication) {
        request.path = "https://" + AppContext::current()->userAccountManager->loginHost() + "/vapi/data" + path;
    }
    return request;
}

std::string recordsPath(const std::string& object, const std::string& id) {
    return "/" + RestAPI::version() + "/records/" + object + "/" + id;
}

bool isAsciiAlphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/// Whether the text is a record ID that may stand in a request path: 15 or
/// 18 ASCII letters and digits.
bool isRecordID(std::string_view id) {
    return (id.size() == 15 || id.size() == 18) && std::ranges::all_of(id, isAsciiAlphanumeric);
}

/// Whether the text is an object or field name that may stand in a request
/// path: ASCII letters, digits and "_".
bool isRecordName(std::string_view name) {
    return !name.empty() && std::ranges::all_of(name, [](char c) { return c == '_' || isAsciiAlphanumeric(c); });
}

} // namespace

std::optional<VQRestRequest> FilesRequestFactory::contentMetadataRequest(const std::string& id, bool auth) {
    if (!isRecordID(id)) return std::nullopt;
    const auto type = entityType(id);
    if (!isFilesEntity(type)) return std::nullopt;
    return contentRequest(recordsPath(rawValue(type), id), auth);
}

std::optional<VQRestRequest> FilesRequestFactory::knowledgeArticleMetadataRequest(const std::string& articleType,
                                                                                 const std::string& articleID,
                                                                                 bool auth) {
    if (!isRecordID(articleID) || !isRecordName(articleType)) return std::nullopt;
    if (entityType(articleID) != EntityType::articleVersion) return std::nullopt;
    return contentRequest(recordsPath(articleType, articleID), auth);
}

std::optional<VQRestRequest> FilesRequestFactory::knowledgeArticleDownloadRequest(const std::string& articleType,
                                                                                 const std::string& articleID,
                                                                                 const std::string& fieldID,
                                                                                 bool auth) {
    if (!isRecordID(articleID) || !isRecordName(articleType) || !isRecordName(fieldID)) return std::nullopt;
    if (entityType(articleID) != EntityType::articleVersion) return std::nullopt;
    return contentRequest(recordsPath(articleType, articleID) + "/" + fieldID + "__Body__f", auth);
}

std::optional<VQRestRequest> FilesRequestFactory::contentDownloadRequest(const std::string& id, bool auth) {
    if (!isRecordID(id) || entityType(id) != EntityType::fileVersion) return std::nullopt;
    return contentRequest(recordsPath("fileVersion", id) + "/VersionData", auth);
}

std::optional<VQRestRequest> FilesRequestFactory::downloadRequest(const std::string& id, bool auth) {
    if (!isRecordID(id)) return std::nullopt;
    const auto type = entityType(id);
    if (type != EntityType::attachment && type != EntityType::document) return std::nullopt;
    return contentRequest(recordsPath(rawValue(type), id) + "/Body", auth);
}

std::optional<VQRestRequest> FilesRequestFactory::fileDownloadRequest(const FileModel& model, bool auth) {
    if (model.fieldID && model.articleType) {
        return knowledgeArticleDownloadRequest(*model.articleType, model.fileID, *model.fieldID, auth);
    }
    if (model.versionID) return contentDownloadRequest(*model.versionID, auth);
    return downloadRequest(model.fileID, auth);
}

} // namespace vellicor
