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

    /// The file "<fileName>.<extension>" in the temporary folder. A name over
    /// 255 bytes is cut at a character boundary and given a short hash of the
    /// full name before its extension, so that it can be written and two long
    /// titles never share a file.
    platform::Url dataPath(const FileModel& model) const override;
    platform::FileManager& fileManager() const override { return *fileManager_; }
    /// The file's URL when it is a regular file that opens for reading (the
    /// file itself is not read).
    std::optional<platform::Url> fileExists(const FileModel& model) const;
    /// The folder of the files.
    std::filesystem::path directory() const { return fileManager_->temporaryDirectory(); }
    /// Moves a downloaded file (best one in directory(), so that this is a
    /// rename) to the model's path, replacing a file there; none on success,
    /// else the error, and the downloaded file stays where it was.
    std::optional<platform::Error> place(const FileModel& model, const std::filesystem::path& file) const;
    /// Removes everything in the temporary folder; the first failure stops
    /// and is logged.
    void clear() const;

private:
    /// The process's file manager, which outlives every cache.
    platform::FileManager* fileManager_;
};

} // namespace vellicor
