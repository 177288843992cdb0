#pragma once

#include <string>
#include <string_view>

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

} // namespace vellicor
