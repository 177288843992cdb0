#include "Platform/Foundation/Bundle.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/PropertyList.hpp"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::string_view kInfoPlistName = "Info.plist";
constexpr std::string_view kDefaultTable = "Localizable";
constexpr std::string_view kLocalizationExtension = ".lproj";
constexpr std::string_view kReceiptFolder = "StoreKit";
constexpr std::string_view kReceiptNameKey = "VellicorStoreReceiptName";
constexpr std::string_view kDefaultReceiptName = "receipt";

/// The process-wide bundle tables: one bundle object per folder, the main
/// bundle's folder and the bundles registered by name.
struct Registry {
    std::mutex mutex;
    std::map<fs::path, std::shared_ptr<Bundle>> byPath;
    std::optional<fs::path> mainPath;
    std::map<std::string, fs::path, std::less<>> byName;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

/// An absolute, normalised path without a trailing separator.
fs::path normalised(const fs::path& path) {
    std::error_code ignored;
    fs::path absolute = fs::absolute(path, ignored).lexically_normal();
    if (!absolute.has_filename() && absolute.has_parent_path() && absolute != absolute.root_path()) {
        absolute = absolute.parent_path();
    }
    return absolute;
}

bool isDirectory(const fs::path& path) {
    std::error_code ignored;
    return fs::is_directory(path, ignored);
}

bool pathExists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

/// The entries of a folder, sorted by name; empty when it cannot be listed.
std::vector<fs::directory_entry> entries(const fs::path& folder) {
    std::vector<fs::directory_entry> result;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        result.push_back(*it);
    }
    std::sort(result.begin(), result.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return result;
}

std::string withoutLeadingDot(const std::optional<std::string>& type) {
    if (!type) {
        return {};
    }
    return type->starts_with('.') ? type->substr(1) : *type;
}

/// Whether a file name ends in "." and the extension ("tar.gz" included).
bool hasExtension(const fs::path& path, const std::string& extension) {
    const std::string name = path.filename().string();
    return name.size() > extension.size() + 1 && name.ends_with("." + extension);
}

/// A single file name: not empty, no folder separator, not "." or "..".
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

} // namespace

Bundle::Bundle(fs::path path) : path_(std::move(path)) {}

// ---------------------------------------------------------------------------
// Finding bundles

std::shared_ptr<Bundle> Bundle::atPath(const fs::path& path) {
    if (path.empty()) {
        return nullptr;
    }
    const fs::path folder = normalised(path);
    if (!isDirectory(folder)) {
        return nullptr;
    }
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.byPath[folder];
    if (!slot) {
        slot = std::shared_ptr<Bundle>(new Bundle(folder));
    }
    return slot;
}

std::shared_ptr<Bundle> Bundle::atURL(const Url& url) {
    if (!url.isFileURL()) {
        return nullptr;
    }
    return atPath(url.filePath());
}

void Bundle::setMainBundlePath(const fs::path& path) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.mainPath = normalised(path);
}

std::shared_ptr<Bundle> Bundle::main() {
    fs::path folder;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        if (r.mainPath) {
            folder = *r.mainPath;
        }
    }
    if (folder.empty()) {
        std::error_code ignored;
        folder = fs::read_symlink("/proc/self/exe", ignored).parent_path();
    }
    if (auto bundle = atPath(folder)) {
        return bundle;
    }
    // The main bundle always exists; a missing folder is one without resources.
    return std::shared_ptr<Bundle>(new Bundle(normalised(folder)));
}

void Bundle::registerBundle(const std::string& name, const fs::path& path) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.byName[name] = normalised(path);
}

void Bundle::unregisterBundle(const std::string& name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.byName.erase(name);
}

std::shared_ptr<Bundle> Bundle::forName(const std::string& name) {
    fs::path folder;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.byName.find(name);
        if (it == r.byName.end()) {
            return nullptr;
        }
        folder = it->second;
    }
    return atPath(folder);
}

// ---------------------------------------------------------------------------
// Info.plist

Url Bundle::bundleURL() const { return Url::fileURL(path_, true); }

std::optional<Url> Bundle::resourceURL() const { return Url::fileURL(path_, true); }

nlohmann::json Bundle::infoDictionary() const {
    {
        std::lock_guard lock(mutex_);
        if (info_) {
            return *info_;
        }
    }
    auto info = PropertyList::read(path_ / kInfoPlistName);
    if (!info || !info->is_object()) {
        info = nlohmann::json::object();
    }
    std::lock_guard lock(mutex_);
    if (!info_) {
        info_ = std::move(*info);
    }
    return *info_;
}

std::optional<nlohmann::json> Bundle::objectForInfoDictionaryKey(const std::string& key) const {
    const auto info = infoDictionary();
    auto it = info.find(key);
    if (it == info.end()) {
        return std::nullopt;
    }
    return *it;
}

namespace {

std::optional<std::string> stringValue(const std::optional<nlohmann::json>& value) {
    if (!value || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

} // namespace

std::optional<std::string> Bundle::bundleIdentifier() const {
    return stringValue(objectForInfoDictionaryKey("CFBundleIdentifier"));
}

std::optional<std::string> Bundle::shortVersion() const {
    return stringValue(objectForInfoDictionaryKey("CFBundleShortVersionString"));
}

std::optional<std::string> Bundle::buildVersion() const {
    return stringValue(objectForInfoDictionaryKey("CFBundleVersion"));
}

// ---------------------------------------------------------------------------
// Resources

std::vector<std::string> Bundle::localizations() const {
    std::vector<std::string> names;
    for (const auto& entry : entries(path_)) {
        const std::string file = entry.path().filename().string();
        std::error_code ignored;
        if (file.size() > kLocalizationExtension.size() && file.ends_with(kLocalizationExtension) &&
            entry.is_directory(ignored)) {
            names.push_back(file.substr(0, file.size() - kLocalizationExtension.size()));
        }
    }
    auto rank = [](const std::string& name) { return name == "en" ? 0 : name == "Base" ? 1 : 2; };
    std::stable_sort(names.begin(), names.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    return names;
}

std::optional<fs::path> Bundle::findResource(const std::optional<std::string>& name,
                                             const std::optional<std::string>& type,
                                             const std::string& subdirectory) const {
    const std::string extension = withoutLeadingDot(type);
    const bool anyName = !name || name->empty();
    if (anyName && extension.empty()) {
        return std::nullopt;
    }
    // Names and folders are relative to the package, even when written with a leading "/".
    const fs::path inner = fs::path(subdirectory).relative_path();
    std::vector<fs::path> folders{path_ / inner};
    for (const auto& language : localizations()) {
        folders.push_back(path_ / (language + std::string(kLocalizationExtension)) / inner);
    }
    // A name or folder with "..", or a link that leads out of the package,
    // must not hand out a file of somewhere else.
    for (const auto& folder : folders) {
        if (anyName) {
            for (const auto& entry : entries(folder)) {
                if (hasExtension(entry.path(), extension) && resolvesWithin(entry.path(), path_)) {
                    return entry.path().lexically_normal();
                }
            }
            continue;
        }
        const fs::path file = fs::path(extension.empty() ? *name : *name + "." + extension).relative_path();
        if (file.empty()) {
            continue;
        }
        // The path handed out is the one checked.
        const fs::path candidate = (folder / file).lexically_normal();
        if (pathExists(candidate) && resolvesWithin(candidate, path_)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::optional<fs::path> Bundle::pathForResource(const std::optional<std::string>& name,
                                                const std::optional<std::string>& type) const {
    return findResource(name, type, {});
}

std::optional<fs::path> Bundle::pathForResource(const std::optional<std::string>& name,
                                                const std::optional<std::string>& type,
                                                const std::string& subdirectory) const {
    return findResource(name, type, subdirectory);
}

std::vector<fs::path> Bundle::pathsForResources(const std::string& type, const std::string& subdirectory) const {
    const std::string extension = withoutLeadingDot(type);
    std::vector<fs::path> paths;
    for (const auto& entry : entries(path_ / fs::path(subdirectory).relative_path())) {
        if ((extension.empty() || hasExtension(entry.path(), extension)) && resolvesWithin(entry.path(), path_)) {
            paths.push_back(entry.path().lexically_normal());
        }
    }
    return paths;
}

std::optional<Url> Bundle::urlForResource(const std::optional<std::string>& name,
                                          const std::optional<std::string>& extension) const {
    return urlForResource(name, extension, {});
}

std::optional<Url> Bundle::urlForResource(const std::optional<std::string>& name,
                                          const std::optional<std::string>& extension,
                                          const std::string& subdirectory) const {
    auto path = findResource(name, extension, subdirectory);
    if (!path) {
        return std::nullopt;
    }
    return Url::fileURL(*path, isDirectory(*path));
}

std::optional<Url> Bundle::appStoreReceiptURL() const {
    const fs::path folder = path_ / kReceiptFolder;
    if (auto named = stringValue(objectForInfoDictionaryKey(std::string(kReceiptNameKey)));
        named && isPlainFileName(*named)) {
        return Url::fileURL(folder / *named);
    }
    std::vector<fs::path> files;
    for (const auto& entry : entries(folder)) {
        std::error_code ignored;
        if (entry.is_regular_file(ignored)) {
            files.push_back(entry.path());
        }
    }
    if (files.size() == 1) {
        return Url::fileURL(files.front());
    }
    return Url::fileURL(folder / kDefaultReceiptName);
}

// ---------------------------------------------------------------------------
// Localised strings

std::shared_ptr<const StringsFile::Table> Bundle::stringsTable(const std::string& table) const {
    const std::string name = table.empty() ? std::string(kDefaultTable) : table;
    {
        std::lock_guard lock(mutex_);
        if (auto it = tables_.find(name); it != tables_.end()) {
            return it->second;
        }
    }
    const std::string fileName = name + ".strings";
    std::optional<fs::path> file;
    for (const auto& language : localizations()) {
        const fs::path candidate = path_ / (language + std::string(kLocalizationExtension)) / fileName;
        if (pathExists(candidate) && resolvesWithin(candidate, path_)) {
            file = candidate;
            break;
        }
    }
    if (!file && pathExists(path_ / fileName) && resolvesWithin(path_ / fileName, path_)) {
        file = path_ / fileName;
    }
    auto entries = std::make_shared<StringsFile::Table>();
    if (file) {
        if (auto parsed = StringsFile::read(*file)) {
            *entries = std::move(*parsed);
        } else {
            LogSink::write("Foundation", LogLevel::error,
                           "Bundle: cannot read " + file->string() + ": " + parsed.error().localizedDescription());
        }
    }
    std::lock_guard lock(mutex_);
    return tables_.emplace(name, std::move(entries)).first->second;
}

std::string Bundle::localizedString(const std::string& key, const std::string& value, const std::string& table) const {
    const auto entries = stringsTable(table);
    if (auto it = entries->find(key); it != entries->end()) {
        return it->second;
    }
    return value.empty() ? key : value;
}

} // namespace platform
