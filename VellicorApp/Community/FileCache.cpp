#include "VellicorApp/Community/FileCache.hpp"

#include "VellicorApp/Shell/Logger.hpp"

namespace vellicor {

FileCache::FileCache(platform::FileManager& fileManager) : fileManager_(&fileManager) {}

platform::Url FileCache::dataPath(const FileModel& model) const {
    const auto folder = fileManager_->temporaryDirectory();
    const auto extension = safeFileNamePart(model.fileExtension);
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
