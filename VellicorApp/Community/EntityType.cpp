#include "VellicorApp/Community/EntityType.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/StringAdditions.hpp"

namespace vellicor {

EntityType entityType(std::string_view id) {
    if (id.size() != 18) return EntityType::unknown;
    const auto lower = platform::lowercased(id);
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

} // namespace vellicor
