#pragma once

#include "VellicorApp/Community/FileCache.hpp"
#include "VellicorApp/Community/NetworkService.hpp"

#include <cstdint>
#include <functional>
#include <memory>

namespace vellicor {

/// Turns a file record into a local file: reads its metadata, reuses a copy
/// in the cache or downloads the content, and hands back the file's URL.
class FilesFetcher : public std::enable_shared_from_this<FilesFetcher> {
public:
    using Completion = std::function<void(std::optional<platform::Url>, std::optional<ParseableError>)>;

    /// The longest file it downloads; a longer one ends the fetch with the download's error.
    static constexpr std::uint64_t kMaximumDownloadBytes = 100 * 1024 * 1024;

    /// Over the running context's network service.
    static std::shared_ptr<FilesFetcher> create();
    static std::shared_ptr<FilesFetcher> create(std::shared_ptr<NetworkServicing> networkService,
                                                std::uint64_t maximumDownloadBytes = kMaximumDownloadBytes);
    virtual ~FilesFetcher() = default;

    /// Completes once with the file's URL or an error, on the thread the REST
    /// answer arrives on. The caller keeps the fetcher until then: a fetcher
    /// released meanwhile ends silently. The content is written to a file of
    /// the cache folder as it arrives and takes its name only once complete;
    /// a download belongs to the session it started in (FileDownloads): once
    /// the user has signed out, it ends with an error and leaves no file.
    virtual void fetchFile(const std::string& recordID, const std::optional<platform::Json>& attributes,
                           Completion completion);

protected:
    explicit FilesFetcher(std::shared_ptr<NetworkServicing> networkService,
                          std::uint64_t maximumDownloadBytes = kMaximumDownloadBytes);

private:
    void fetchKnowledgeArticle(const platform::Json& record, const std::string& id,
                               const std::optional<platform::Json>& attributes, Completion completion);
    void fetchFileContent(std::expected<FileModel, ParseableError> model, Completion completion);
    void download(const FileModel& model, const platform::veltrane::VQRestRequest& request,
                  std::function<void(std::optional<platform::Error>)> done);

    std::shared_ptr<NetworkServicing> networkService_;
    std::uint64_t maximumDownloadBytes_;
    FileCache fileCache_;
};

} // namespace vellicor
