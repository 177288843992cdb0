#include "VellicorApp/Community/ConfigFileCache.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Error.hpp"

namespace vellicor {

namespace {
constexpr const char* kLogType = "ConfigFileCache";
} // namespace

ConfigFileCache::ConfigFileCache(platform::FileManager& fileManager, std::optional<std::string> path)
    : fileManager_(&fileManager), path_(std::move(path)) {}

const platform::Url& ConfigFileCache::directory() const {
    if (!directory_) {
        const auto folders = fileManager_->urls(platform::SearchPathDirectory::applicationSupport);
        if (folders.empty()) platform::fatalError("Application Support directory can not be nil.");
        auto folder = folders.front();
        if (path_) folder = folder.appendingPathComponent(*path_, true);
        // A folder that already exists fails to be created; later reads and
        // writes report their own failures.
        (void)fileManager_->createDirectory(folder.filePath(), true);
        directory_ = std::move(folder);
    }
    return *directory_;
}

platform::Url ConfigFileCache::dataPath(const std::string& name) const {
    return directory().appendingPathComponent(name).appendingPathExtension("json");
}

void ConfigFileCache::clear() const {
    const auto folder = directory().filePath();
    const auto names = fileManager_->contentsOfDirectory(folder);
    if (!names) {
        Logger::error(names.error().localizedDescription(), kLogType);
        return;
    }
    for (const auto& name : *names) {
        if (auto removed = fileManager_->removeItem(folder / name); !removed) {
            Logger::error(removed.error().localizedDescription(), kLogType);
            return;
        }
    }
}

} // namespace vellicor
