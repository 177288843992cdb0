#pragma once

// The App Center stand-in's files in the sandbox, shared by its services.
// Not part of the SDK's interface.

#include "Platform/Foundation/Json.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace platform::appcenter::store {

/// "Library/Caches/AppCenter" of the sandbox; none without a sandbox.
std::optional<std::filesystem::path> folder();
/// The folder of the crash records, one "<incident id>.json" each.
std::optional<std::filesystem::path> crashesFolder();

/// The JSON of a file; none when it is missing or does not parse.
std::optional<Json> readJson(const std::filesystem::path& path);
/// Writes the JSON text, creating the folder; false on failure.
bool writeJson(const std::filesystem::path& path, const Json& json);

} // namespace platform::appcenter::store
