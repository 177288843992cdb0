#pragma once

#include "VellicorApp/Core/ParseableError.hpp"

#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <optional>
#include <string>

namespace vellicor {

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

/// A piece of a file name from server data that cannot leave its folder:
/// "/", "\\" and NUL become "_", and so does every "..".
std::string safeFileNamePart(std::string text);

} // namespace vellicor
