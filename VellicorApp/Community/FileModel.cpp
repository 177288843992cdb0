#include "VellicorApp/Community/FileModel.hpp"

#include "VellicorApp/Community/EntityType.hpp"

#include <algorithm>
#include <string_view>

namespace vellicor {

namespace {

std::string replacingAll(std::string text, std::string_view what, std::string_view with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
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

std::string safeFileNamePart(std::string text) {
    std::replace(text.begin(), text.end(), '/', '_');
    std::replace(text.begin(), text.end(), '\\', '_');
    std::replace(text.begin(), text.end(), '\0', '_');
    while (text.find("..") != std::string::npos) text = replacingAll(std::move(text), "..", "_");
    return text;
}

std::string FileModel::fileName() const {
    std::string name = title;
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    return name + "_" + safeFileNamePart(versionID.value_or(fileID));
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

} // namespace vellicor
