#include "VellicorApp/Community/FileFetcher.hpp"

#include "VellicorApp/Community/ErrorMessages.hpp"
#include "VellicorApp/Shell/AppConstants.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Logger.hpp"

namespace vellicor {

using platform::veltrane::VQRestMethod;
using platform::veltrane::VQRestRequest;

namespace {

constexpr const char* kTypeName = "FilesFetcher";

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

bool requiresAuthentication() {
    const auto manager = AppContext::current()->userAccountManager;
    return manager && manager->currentUserAccount() != nullptr;
}

} // namespace

std::optional<VQRestRequest> FilesRequestFactory::contentMetadataRequest(const std::string& id, bool auth) {
    const auto type = entityType(id);
    if (!isFilesEntity(type)) return std::nullopt;
    return contentRequest(recordsPath(rawValue(type), id), auth);
}

std::optional<VQRestRequest> FilesRequestFactory::knowledgeArticleMetadataRequest(const std::string& articleType,
                                                                                 const std::string& articleID,
                                                                                 bool auth) {
    if (entityType(articleID) != EntityType::articleVersion) return std::nullopt;
    return contentRequest(recordsPath(articleType, articleID), auth);
}

std::optional<VQRestRequest> FilesRequestFactory::knowledgeArticleDownloadRequest(const std::string& articleType,
                                                                                 const std::string& articleID,
                                                                                 const std::string& fieldID,
                                                                                 bool auth) {
    if (entityType(articleID) != EntityType::articleVersion) return std::nullopt;
    return contentRequest(recordsPath(articleType, articleID) + "/" + fieldID + "__Body__f", auth);
}

std::optional<VQRestRequest> FilesRequestFactory::contentDownloadRequest(const std::string& id, bool auth) {
    if (entityType(id) != EntityType::fileVersion) return std::nullopt;
    return contentRequest(recordsPath("fileVersion", id) + "/VersionData", auth);
}

std::optional<VQRestRequest> FilesRequestFactory::downloadRequest(const std::string& id, bool auth) {
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

std::shared_ptr<FilesFetcher> FilesFetcher::create() {
    return create(AppContext::current()->networkService());
}

std::shared_ptr<FilesFetcher> FilesFetcher::create(std::shared_ptr<NetworkServicing> networkService) {
    return std::shared_ptr<FilesFetcher>(new FilesFetcher(std::move(networkService)));
}

FilesFetcher::FilesFetcher(std::shared_ptr<NetworkServicing> networkService)
    : networkService_(std::move(networkService)), fileCache_(platform::FileManager::defaultManager()) {}

void FilesFetcher::fetchFile(const std::string& recordID, const std::optional<platform::Json>& attributes,
                             Completion completion) {
    if (!completion) completion = [](auto, auto) {};
    const auto id = entityID18(recordID);
    const auto request = FilesRequestFactory::contentMetadataRequest(id, requiresAuthentication());
    if (!request) {
        completion(std::nullopt, ParseableError::invalidRequestID());
        return;
    }
    networkService_->executeRequest(
        *request, [weak = weak_from_this(), recordID, id, attributes, completion](auto result, auto) {
            const auto self = weak.lock();
            if (!self) return;
            if (!result) {
                Logger::error("Failed to retrieve file data with error: " + messageString(result.error()), kTypeName);
                completion(std::nullopt, ParseableError::legacy(result.error()));
                return;
            }
            if (entityType(recordID) == EntityType::articleVersion) {
                self->fetchKnowledgeArticle(*result, id, attributes, completion);
                return;
            }
            self->fetchFileContent(FileModel::parseObject(*result), completion);
        });
}

void FilesFetcher::fetchKnowledgeArticle(const platform::Json& record, const std::string& id,
                                         const std::optional<platform::Json>& attributes, Completion completion) {
    const auto articleType = record.contains("ArticleType") ? platform::asString(record.at("ArticleType")) : std::nullopt;
    std::optional<std::string> fieldID;
    if (attributes && attributes->is_object() && !attributes->empty() && attributes->contains("fieldId")) {
        fieldID = platform::asString(attributes->at("fieldId"));
    }
    if (!articleType || !fieldID) {
        completion(std::nullopt, ParseableError::missingRequiredAttributes());
        return;
    }
    const auto request = FilesRequestFactory::knowledgeArticleMetadataRequest(*articleType, id, true);
    if (!request) {
        completion(std::nullopt, ParseableError::invalidRequestID());
        return;
    }
    const platform::Json customFields = {{"articleType", *articleType}, {"fieldID", *fieldID}};
    networkService_->executeRequest(*request, [weak = weak_from_this(), customFields, completion](auto result, auto) {
        const auto self = weak.lock();
        if (!self) return;
        if (!result) {
            Logger::error("Failed to retrieve file data with error: " + messageString(result.error()), kTypeName);
            completion(std::nullopt, ParseableError::legacy(result.error()));
            return;
        }
        self->fetchFileContent(FileModel::parseObject(*result, customFields), completion);
    });
}

void FilesFetcher::fetchFileContent(std::expected<FileModel, ParseableError> model, Completion completion) {
    if (!model) {
        Logger::error("Failed to parse file data with error: " + localizedDescription(model.error()), kTypeName);
        completion(std::nullopt, model.error());
        return;
    }
    if (const auto cached = fileCache_.fileExists(*model)) {
        Logger::info("File already exist at path: " + cached->absoluteString(), kTypeName);
        completion(*cached, std::nullopt);
        return;
    }
    download(*model, [weak = weak_from_this(), file = *model, completion](std::optional<platform::Error> error) {
        if (error) {
            completion(std::nullopt, ParseableError::legacy(*error));
            return;
        }
        const auto self = weak.lock();
        if (!self) {
            completion(std::nullopt, std::nullopt);
            return;
        }
        completion(self->fileCache_.dataPath(file), std::nullopt);
    });
}

void FilesFetcher::download(const FileModel& model, std::function<void(std::optional<platform::Error>)> done) {
    const auto request = FilesRequestFactory::fileDownloadRequest(model, requiresAuthentication());
    if (!request) {
        // A model whose IDs fit no download: the fetch still ends once.
        done(platform::Error("OTHER", 400,
                             platform::Json{{"NSLocalizedDescription", "The file can't be downloaded."}}));
        return;
    }
    networkService_->executeDataRequest(*request, [weak = weak_from_this(), model, done](auto result, auto) {
        if (!result) {
            Logger::error("Failed to retrieve file content with error: " + messageString(result.error()), kTypeName);
            done(result.error());
            return;
        }
        const auto self = weak.lock();
        if (!self) {
            done(std::nullopt);
            return;
        }
        if (auto error = self->fileCache_.save(model, *result)) {
            Logger::error("Failed to save file data with error: " + messageString(*error), kTypeName);
            done(std::move(error));
            return;
        }
        done(std::nullopt);
    });
}

} // namespace vellicor
