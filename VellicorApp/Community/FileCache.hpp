#pragma once

#include "VellicorApp/Community/Cacheable.hpp"
#include "VellicorApp/Community/FileModel.hpp"

#include "Platform/Foundation/FileManager.hpp"

#include <optional>

namespace vellicor {

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
