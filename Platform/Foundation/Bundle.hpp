#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/StringsFile.hpp"
#include "Platform/Foundation/Url.hpp"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A bundle: a folder holding an Info.plist (XML or binary) and resources.
/// The layout is flat: the folder itself is the resource folder, with
/// localised resources in `<language>.lproj` subfolders and nested bundles in
/// `*.bundle` subfolders.
///
/// A bundle reads its Info.plist once, on first use, and each strings table
/// once, on first lookup. All members are safe to call from any thread.
class PLATFORM_EXPORT Bundle {
public:
    /// The app's own bundle: the folder given to setMainBundlePath(), else the
    /// folder of the running program.
    static std::shared_ptr<Bundle> main();
    /// Sets the folder of the main bundle (the app's start-up does so first).
    static void setMainBundlePath(const std::filesystem::path& path);

    /// The bundle of an existing folder; null when there is no such folder.
    /// The same folder yields the same bundle object.
    static std::shared_ptr<Bundle> atPath(const std::filesystem::path& path);
    /// The bundle of a file URL; null for other URLs and missing folders.
    static std::shared_ptr<Bundle> atURL(const Url& url);

    /// Names the bundle a shared library's code belongs to: a library calls it
    /// when it is loaded, with its own name and its bundle folder, so that its
    /// types can later find their bundle (and its version) by that name.
    static void registerBundle(const std::string& name, const std::filesystem::path& path);
    static void unregisterBundle(const std::string& name);
    /// The bundle registered under a name; null when none is or its folder is gone.
    static std::shared_ptr<Bundle> forName(const std::string& name);

    const std::filesystem::path& bundlePath() const { return path_; }
    /// The folder's file URL (with a trailing slash).
    Url bundleURL() const;
    /// The folder resources are read from (the bundle folder itself).
    const std::filesystem::path& resourcePath() const { return path_; }
    std::optional<Url> resourceURL() const;

    /// The Info.plist dictionary; an empty object when the file is missing,
    /// unreadable or not a dictionary.
    nlohmann::json infoDictionary() const;
    /// The Info.plist value of a key, with its own type (a string "60" stays a
    /// string, the number 60 a number); none when absent.
    std::optional<nlohmann::json> objectForInfoDictionaryKey(const std::string& key) const;
    /// CFBundleIdentifier, CFBundleShortVersionString and CFBundleVersion, each
    /// only when it is a string.
    std::optional<std::string> bundleIdentifier() const;
    std::optional<std::string> shortVersion() const;
    std::optional<std::string> buildVersion() const;

    /// The path of a resource. `name` may already carry the extension (then
    /// pass no `type`) and may hold a relative folder ("www/script"); `type` is
    /// the extension with or without its dot. Without a name, the first
    /// resource (by name) with the extension. The package root is searched
    /// first, then the localisation folders (en, Base, the others by name).
    /// Files and folders both count. None when nothing matches, and for a
    /// resource that lies outside the package once ".." and symbolic links are
    /// resolved (a link to another place inside the package is fine).
    std::optional<std::filesystem::path> pathForResource(const std::optional<std::string>& name,
                                                         const std::optional<std::string>& type) const;
    /// The same within a subfolder of the package ("www/"), then within that
    /// subfolder of the localisation folders.
    std::optional<std::filesystem::path> pathForResource(const std::optional<std::string>& name,
                                                         const std::optional<std::string>& type,
                                                         const std::string& subdirectory) const;
    /// Every resource with the extension (all resources for an empty one) in
    /// the package root or a subfolder, by name; none outside the package.
    std::vector<std::filesystem::path> pathsForResources(const std::string& type,
                                                         const std::string& subdirectory = {}) const;
    std::optional<Url> urlForResource(const std::optional<std::string>& name,
                                      const std::optional<std::string>& extension) const;
    std::optional<Url> urlForResource(const std::optional<std::string>& name,
                                      const std::optional<std::string>& extension,
                                      const std::string& subdirectory) const;

    /// Where the store receipt of this install lies, whether or not the file
    /// exists: `StoreKit/<name>` with the name given by the Info.plist key
    /// "VellicorStoreReceiptName"; else the one file of the package's
    /// StoreKit folder when it holds exactly one; else `StoreKit/receipt`.
    std::optional<Url> appStoreReceiptURL() const;

    /// The localisations the bundle has (the names of its `*.lproj` folders
    /// without the extension), in the order lookups prefer them: "en",
    /// "Base", then the others by name.
    std::vector<std::string> localizations() const;

    /// The translation of `key` in a strings table (`table`, or "Localizable"
    /// when empty) of the preferred localisation that has the table (see
    /// localizations(); a table in the package root comes last). A key the
    /// table lacks yields `value` when that is not empty, else the key itself.
    std::string localizedString(const std::string& key, const std::string& value = {},
                                const std::string& table = {}) const;

private:
    explicit Bundle(std::filesystem::path path);

    std::shared_ptr<const StringsFile::Table> stringsTable(const std::string& table) const;
    std::optional<std::filesystem::path> findResource(const std::optional<std::string>& name,
                                                      const std::optional<std::string>& type,
                                                      const std::string& subdirectory) const;

    std::filesystem::path path_;
    mutable std::mutex mutex_;
    mutable std::optional<nlohmann::json> info_;
    mutable std::map<std::string, std::shared_ptr<const StringsFile::Table>> tables_;
};

} // namespace platform
