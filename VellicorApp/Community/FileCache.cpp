#include "VellicorApp/Community/FileCache.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Crypto.hpp"
#include "Platform/Foundation/Text.hpp"

namespace vellicor {

namespace {

/// File systems refuse longer names (in bytes, whatever the characters).
constexpr std::size_t kMaximumNameBytes = 255;
/// An extension longer than this is no real one; cut to keep room for the title.
constexpr std::size_t kMaximumExtensionBytes = 32;
/// Hex digits of the full name's hash that set two long names apart.
constexpr std::size_t kHashDigits = 12;

/// The leading whole characters of `text` that fit `bytes`.
std::string prefixFitting(std::string_view text, std::size_t bytes) {
    std::string prefix;
    for (const auto character : platform::characters(text)) {
        if (prefix.size() + character.size() > bytes) break;
        prefix += character;
    }
    return prefix;
}

/// "<stem>.<extension>" when it fits; else the stem cut at a character
/// boundary, "~" and a hash of the full name, then the extension (cut too
/// when it is too long), so long titles keep apart and keep their type.
std::string boundedName(const std::string& stem, const std::string& extension) {
    const auto full = extension.empty() ? stem : stem + "." + extension;
    if (full.size() <= kMaximumNameBytes) return full;
    const auto kept = prefixFitting(extension, kMaximumExtensionBytes);
    const auto suffix = "~" + platform::hexString(platform::sha256(full)).substr(0, kHashDigits) +
                        (kept.empty() ? "" : "." + kept);
    return prefixFitting(stem, kMaximumNameBytes - suffix.size()) + suffix;
}

} // namespace

FileCache::FileCache(platform::FileManager& fileManager) : fileManager_(&fileManager) {}

platform::Url FileCache::dataPath(const FileModel& model) const {
    const auto folder = directory();
    auto name = boundedName(model.fileName(), safeFileNamePart(model.fileExtension));
    if (name.empty() || name == ".") name = "_";
    return platform::Url::fileURL(folder / name);
}

std::optional<platform::Url> FileCache::fileExists(const FileModel& model) const {
    auto path = dataPath(model);
    if (!fileManager_->isReadableFile(path.filePath())) return std::nullopt;
    return path;
}

std::optional<platform::Error> FileCache::place(const FileModel& model, const std::filesystem::path& file) const {
    const auto target = dataPath(model).filePath();
    // Only a file that did not open is still there (else the cache would have served it).
    if (fileManager_->fileExists(target)) {
        if (auto removed = fileManager_->removeItem(target); !removed) return removed.error();
    }
    if (auto moved = fileManager_->moveItem(file, target); !moved) return moved.error();
    return std::nullopt;
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
