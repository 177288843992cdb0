#include "VellicorApp/Community/FileCache.hpp"

#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/SDKs/Veltrane/StringAdditions.hpp"

#include <algorithm>
#include <cctype>

namespace vellicor {

namespace {

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

std::string replacingAll(std::string text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// A piece of a file name from server data that cannot leave its folder: no
// path separators, no "..", no NUL.
std::string safeNamePart(std::string text) {
    std::replace(text.begin(), text.end(), '/', '_');
    std::replace(text.begin(), text.end(), '\\', '_');
    std::replace(text.begin(), text.end(), '\0', '_');
    while (text.find("..") != std::string::npos) text = replacingAll(std::move(text), "..", "_");
    return text;
}

std::optional<std::string> stringValue(const platform::Json& object, const std::string& key) {
    const auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    return platform::asString(*found);
}

std::string lessExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string afterLast(const std::string& text, char separator) {
    const auto at = text.rfind(separator);
    return at == std::string::npos ? text : text.substr(at + 1);
}

} // namespace

EntityType entityType(std::string_view id) {
    if (id.size() != 18) return EntityType::unknown;
    const auto lower = lowercased(id);
    if (id.starts_with("091")) return EntityType::fileDocument;
    if (id.starts_with("092")) return EntityType::fileVersion;
    if (lower.starts_with("00v")) return EntityType::attachment;
    if (id.starts_with("093")) return EntityType::contact;
    if (lower.starts_with("kv")) return EntityType::articleVersion;
    if (id.starts_with("094")) return EntityType::document;
    return EntityType::unknown;
}

std::string rawValue(EntityType type) {
    switch (type) {
    case EntityType::fileDocument: return "fileDocument";
    case EntityType::fileVersion: return "fileVersion";
    case EntityType::attachment: return "attachment";
    case EntityType::contact: return "contact";
    case EntityType::articleVersion: return "articleVersion";
    case EntityType::document: return "document";
    case EntityType::unknown: break;
    }
    return "unknown";
}

bool isFilesEntity(EntityType type) {
    return type != EntityType::contact && type != EntityType::unknown;
}

std::string entityID18(const std::string& id) {
    if (id.size() != 15) return id;
    return platform::veltrane::entityId18(id).value_or(id);
}

std::string FileModel::fileName() const {
    std::string name = title;
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    return name + "_" + safeNamePart(versionID.value_or(fileID));
}

std::expected<FileModel, ParseableError> FileModel::parseObject(const platform::Json& object) {
    return parseObject(object, std::nullopt);
}

std::expected<FileModel, ParseableError> FileModel::parseObject(const platform::Json& object,
                                                                const std::optional<platform::Json>& customFields) {
    if (!object.is_object() || object.empty()) return std::unexpected(ParseableError::unknownContentType());
    const auto id = stringValue(object, "Id");
    const auto type = id ? entityType(*id) : EntityType::unknown;
    if (!isFilesEntity(type)) return std::unexpected(ParseableError::unknownContentType());
    const auto missing = std::unexpected(ParseableError::missingRequiredAttributes());
    const auto modified = stringValue(object, "LastModifiedDate");

    switch (type) {
    case EntityType::articleVersion: {
        if (!customFields || !customFields->is_object() || customFields->empty()) return missing;
        const auto fieldID = stringValue(*customFields, "fieldID");
        const auto articleType = stringValue(*customFields, "articleType");
        if (!fieldID || !articleType) return missing;
        const auto field = replacingAll(*fieldID, "__Body__f", "");
        const auto name = stringValue(object, field + "__Name__f");
        const auto contentType = stringValue(object, field + "__ContentType__f");
        if (!name || !contentType || !modified) return missing;
        return FileModel{*id, lessExtension(*name), *contentType, afterLast(*contentType, '/'), std::nullopt, field,
                         *articleType, *modified};
    }
    case EntityType::attachment: {
        const auto name = stringValue(object, "Name");
        if (!name || !modified) return missing;
        const auto contentType = stringValue(object, "ContentType");
        const auto extension = contentType ? afterLast(*contentType, '/') : afterLast(*name, '.');
        return FileModel{*id, lessExtension(*name), contentType.value_or(""), extension, std::nullopt, std::nullopt,
                         std::nullopt, *modified};
    }
    case EntityType::document: {
        const auto name = stringValue(object, "Name");
        const auto docType = stringValue(object, "Type");
        if (!name || !docType || !modified) return missing;
        return FileModel{*id, lessExtension(*name), *docType, *docType, std::nullopt, std::nullopt, std::nullopt,
                         *modified};
    }
    default: {
        const bool isVersion = type == EntityType::fileVersion;
        const auto fileID = isVersion ? stringValue(object, "FileDocumentId") : id;
        const auto title = stringValue(object, "Title");
        const auto fileType = stringValue(object, "FileType");
        const auto extension = stringValue(object, "FileExtension");
        const auto versionID = isVersion ? id : stringValue(object, "LatestPublishedVersionId");
        if (!fileID || !title || !fileType || !extension || !versionID || !modified) return missing;
        return FileModel{*fileID, *title, *fileType, *extension, *versionID, std::nullopt, std::nullopt, *modified};
    }
    }
}

FileCache::FileCache(platform::FileManager& fileManager) : fileManager_(&fileManager) {}

platform::Url FileCache::dataPath(const FileModel& model) const {
    const auto folder = fileManager_->temporaryDirectory();
    const auto extension = safeNamePart(model.fileExtension);
    auto name = model.fileName();
    if (!extension.empty()) name += "." + extension;
    if (name.empty() || name == "." ) name = "_";
    return platform::Url::fileURL(folder / name);
}

std::optional<platform::Url> FileCache::fileExists(const FileModel& model) const {
    auto path = dataPath(model);
    if (!fileManager_->isReadableFile(path.filePath())) return std::nullopt;
    return path;
}

void FileCache::clear() const {
    const auto folder = fileManager_->temporaryDirectory();
    const auto names = fileManager_->contentsOfDirectory(folder);
    if (!names) {
        Logger::error(names.error().localizedDescription(), "FileCache");
        return;
    }
    for (const auto& name : *names) {
        if (const auto removed = fileManager_->removeItem(folder / name); !removed) {
            Logger::error(removed.error().localizedDescription(), "FileCache");
            return;
        }
    }
}

} // namespace vellicor
