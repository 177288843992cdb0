#pragma once

#include "VellicorApp/Community/Cacheable.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Url.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// A folder of small JSON configuration files under Application Support:
/// the folder itself, or a named sub-folder of it. The folder is created on
/// first use. Keys are file names without the extension ".json".
class ConfigFileCache : public Cacheable<std::string> {
public:
    /// Creates nothing on disk.
    explicit ConfigFileCache(platform::FileManager& fileManager, std::optional<std::string> path = std::nullopt);

    /// The folder; made (with its parents) on the first call, and kept for the
    /// life of this cache. Stops the app with "Application Support directory
    /// can not be nil." when the file manager has no Application Support folder.
    const platform::Url& directory() const;
    /// The file "<name>.json" in the folder.
    platform::Url dataPath(const std::string& name) const override;
    platform::FileManager& fileManager() const override { return *fileManager_; }
    const std::optional<std::string>& path() const { return path_; }

    /// Removes every item in the folder, in listing order; the folder stays.
    /// The first failure ends the clearing (later items stay) and is logged
    /// at error level.
    void clear() const;

private:
    /// The process's file manager, which outlives every cache.
    platform::FileManager* fileManager_;
    std::optional<std::string> path_;
    mutable std::optional<platform::Url> directory_;
};

} // namespace vellicor
