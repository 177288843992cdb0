#pragma once

#include "VellicorApp/Community/Cacheable.hpp"
#include "VellicorApp/Shell/ParseableError.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <optional>
#include <string>

namespace vellicor {

/// The record type of a platform ID, by its prefix; the value is also the
/// object name in REST paths.
enum class EntityType { fileDocument, fileVersion, attachment, contact, articleVersion, document, unknown };

/// The record type of an 18-character ID; unknown for any other length.
EntityType entityType(std::string_view id);
std::string rawValue(EntityType type);
/// Whether the records of the type are files.
bool isFilesEntity(EntityType type);
/// The 18-character form of a 15-character ID; other IDs unchanged.
std::string entityID18(const std::string& id);

/// A file record as the cache and the downloads need it.
struct FileModel {
    std::string fileID;
    std::string title;
    std::string type;
    std::string fileExtension;
    std::optional<std::string> versionID;
    std::optional<std::string> fieldID;
    std::optional<std::string> articleType;
    std::string lastModifiedDate;

    /// The title ("/" and NUL made "_"), "_", then the version ID or else the
    /// file ID, made safe as one name inside the cache folder.
    std::string fileName() const;

    static std::expected<FileModel, ParseableError> parseObject(const platform::Json& object);
    /// For knowledge articles: custom fields "fieldID" and "articleType".
    static std::expected<FileModel, ParseableError> parseObject(const platform::Json& object,
                                                                const std::optional<platform::Json>& customFields);
};

/// Downloaded files, kept in the app's temporary folder (which belongs to
/// the app alone).
class FileCache : public Cacheable<FileModel> {
public:
    explicit FileCache(platform::FileManager& fileManager);

    /// The file "<fileName>.<extension>" in the temporary folder.
    platform::Url dataPath(const FileModel& model) const override;
    platform::FileManager& fileManager() const override { return *fileManager_; }
    /// The file's URL when it is a regular file that opens for reading (the
    /// file itself is not read).
    std::optional<platform::Url> fileExists(const FileModel& model) const;
    /// Removes everything in the temporary folder; the first failure stops
    /// and is logged.
    void clear() const;

private:
    /// The process's file manager, which outlives every cache.
    platform::FileManager* fileManager_;
};

} // namespace vellicor
