#include "VellicorApp/Community/FilesFetcher.hpp"

#include "VellicorApp/Community/EntityType.hpp"
#include "VellicorApp/Community/FileDownloads.hpp"
#include "VellicorApp/Community/FilesRequestFactory.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Logger.hpp"

namespace vellicor {

namespace {

constexpr const char* kTypeName = "FilesFetcher";

bool requiresAuthentication() {
    const auto manager = AppContext::current()->userAccountManager;
    return manager && manager->currentUserAccount() != nullptr;
}

/// Whether a metadata request answered; else logs and ends the fetch with its error.
template <class Result> bool metadataArrived(const Result& result, const FilesFetcher::Completion& completion) {
    if (result) return true;
    Logger::error("Failed to retrieve file data with error: " + messageString(result.error()), kTypeName);
    completion(std::nullopt, ParseableError::legacy(result.error()));
    return false;
}

} // namespace

std::shared_ptr<FilesFetcher> FilesFetcher::create() {
    return create(AppContext::current()->networkService());
}

std::shared_ptr<FilesFetcher> FilesFetcher::create(std::shared_ptr<NetworkServicing> networkService,
                                                   std::uint64_t maximumDownloadBytes) {
    return std::shared_ptr<FilesFetcher>(new FilesFetcher(std::move(networkService), maximumDownloadBytes));
}

FilesFetcher::FilesFetcher(std::shared_ptr<NetworkServicing> networkService, std::uint64_t maximumDownloadBytes)
    : networkService_(std::move(networkService)), maximumDownloadBytes_(maximumDownloadBytes),
      fileCache_(platform::FileManager::defaultManager()) {}

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
            if (!self || !metadataArrived(result, completion)) return;
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
        if (!self || !metadataArrived(result, completion)) return;
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
    const auto request = FilesRequestFactory::fileDownloadRequest(*model, requiresAuthentication());
    if (!request) {
        // IDs from the record that fit no download, or may not stand in a path.
        completion(std::nullopt, ParseableError::invalidRequestID());
        return;
    }
    download(*model, *request, [weak = weak_from_this(), file = *model, completion](std::optional<platform::Error> error) {
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

void FilesFetcher::download(const FileModel& model, const platform::veltrane::VQRestRequest& request,
                            std::function<void(std::optional<platform::Error>)> done) {
    auto& downloads = FileDownloads::shared();
    const auto ticket = downloads.begin();
    const platform::HttpDownloadDestination destination{fileCache_.directory(), maximumDownloadBytes_};
    auto task = networkService_->executeDownloadRequest(
        request, destination, [weak = weak_from_this(), model, done, ticket](auto result, auto) {
            if (!result) {
                FileDownloads::shared().finish(ticket);
                Logger::error("Failed to retrieve file content with error: " + messageString(result.error()), kTypeName);
                done(result.error());
                return;
            }
            const auto self = weak.lock();
            std::optional<platform::Error> error;
            const bool current = FileDownloads::shared().finish(ticket, [&] {
                if (self) error = self->fileCache_.place(model, *result);
            });
            if (!current || !self || error) {
                std::error_code ignored;
                std::filesystem::remove(*result, ignored);
            }
            if (!current) {
                // Signed out while it arrived: the wipe has run, or is about to.
                const auto cancelled = platform::makeURLError(platform::URLError::cancelled);
                Logger::error("Failed to retrieve file content with error: " + messageString(cancelled), kTypeName);
                done(cancelled);
                return;
            }
            if (error) {
                Logger::error("Failed to save file data with error: " + messageString(*error), kTypeName);
                done(std::move(error));
                return;
            }
            done(std::nullopt);
        });
    downloads.attach(ticket, std::move(task));
}

} // namespace vellicor
