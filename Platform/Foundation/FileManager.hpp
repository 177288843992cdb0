#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/Foundation/Url.hpp"

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

/// The app's sandbox: every folder the app may write lies under one data root
/// given at start (`--data DIR`, or a temporary folder per test):
///   Library/Application Support, Library/Caches, Library/Preferences, Documents, tmp.
class PLATFORM_EXPORT Sandbox {
public:
    /// Sets the data root (created when missing). Singletons that cache files
    /// compare `generation()` and reload after a change.
    static void setRoot(const std::filesystem::path& root);
    /// The data root; none until set.
    static std::optional<std::filesystem::path> root();
    static std::uint64_t generation();

    static std::filesystem::path applicationSupportDirectory();
    static std::filesystem::path cachesDirectory();
    static std::filesystem::path documentsDirectory();
    static std::filesystem::path preferencesDirectory();
    static std::filesystem::path libraryDirectory();
    static std::filesystem::path temporaryDirectory();
};

/// The folders the file manager can be asked for.
enum class SearchPathDirectory { applicationSupport, caches, documents, library, preferences };

/// How FileManager::writeAtomically treats its target.
struct PLATFORM_EXPORT AtomicWriteOptions {
    /// The file's permissions. They are set on the temporary file before it
    /// takes the target's name, whatever the umask, so the file is never seen
    /// under that name with any others.
    std::filesystem::perms permissions = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read | std::filesystem::perms::others_read;
    /// Whether a file already at the target is replaced. When not, it is kept
    /// and the call fails with fileWriteFileExists (two writers racing to make
    /// a file agree on the first one's).
    bool replacing = true;
};

/// File operations; errors are the platform's Cocoa or POSIX errors.
class PLATFORM_EXPORT FileManager {
public:
    static FileManager& defaultManager();

    /// The folders of a kind in the user domain; empty when no sandbox is set.
    std::vector<Url> urls(SearchPathDirectory directory) const;
    std::filesystem::path temporaryDirectory() const;

    bool fileExists(const std::filesystem::path& path) const;
    bool isDirectory(const std::filesystem::path& path) const;
    std::expected<void, Error> createDirectory(const std::filesystem::path& path,
                                               bool withIntermediateDirectories = true) const;
    /// The names in a folder, sorted by name.
    std::expected<std::vector<std::string>, Error> contentsOfDirectory(const std::filesystem::path& path) const;
    std::expected<void, Error> removeItem(const std::filesystem::path& path) const;
    std::expected<void, Error> moveItem(const std::filesystem::path& from, const std::filesystem::path& to) const;
    std::expected<void, Error> copyItem(const std::filesystem::path& from, const std::filesystem::path& to) const;

    /// The whole file, or the read error (missing file: Cocoa 260).
    std::expected<Data, Error> contents(const std::filesystem::path& path) const;
    /// Writes in place (the file is truncated first).
    std::expected<void, Error> write(const std::filesystem::path& path, const Data& data) const;
    /// Writes to a temporary file beside the target, then renames it over the
    /// target, so a reader sees the old file or the new one, never a part.
    std::expected<void, Error> writeAtomically(const std::filesystem::path& path, const Data& data,
                                               const AtomicWriteOptions& options = {}) const;

    /// Test hook: when set, every mutating call and read asks it first; an
    /// error it returns is reported as the call's failure.
    enum class Operation { read, write, createDirectory, remove, move, copy, list };
    using FailureInjector = std::function<std::optional<Error>(Operation, const std::filesystem::path&)>;
    void setFailureInjector(FailureInjector injector);

private:
    std::optional<Error> injected(Operation op, const std::filesystem::path& path) const;
};

/// Reads a whole file; none when missing or unreadable.
PLATFORM_EXPORT std::optional<Data> readFile(const std::filesystem::path& path);
/// Atomic replace-write through the default file manager.
PLATFORM_EXPORT std::expected<void, Error> writeFileAtomically(const std::filesystem::path& path, const Data& data);

/// Whether `path` lies at or under `folder` once both are resolved: made
/// absolute, every symbolic link followed, "." and ".." applied (a tail that
/// does not exist yet is taken as written). A link inside `folder` that points
/// outside it does not lie within it. False when either cannot be resolved.
PLATFORM_EXPORT bool resolvesWithin(const std::filesystem::path& path, const std::filesystem::path& folder);

} // namespace platform
