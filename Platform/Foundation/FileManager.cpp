#include "Platform/Foundation/FileManager.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

// ---------------------------------------------------------------------------
// Sandbox

namespace {

std::mutex gSandboxMutex;
std::optional<fs::path> gRoot;
std::atomic<std::uint64_t> gGeneration{0};

fs::path underRoot(const fs::path& relative) {
    std::lock_guard lock(gSandboxMutex);
    if (!gRoot) return {};
    return *gRoot / relative;
}

} // namespace

void Sandbox::setRoot(const fs::path& root) {
    std::error_code ignored;
    const fs::path absolute = fs::absolute(root, ignored);
    for (const char* sub : {"Library/Application Support", "Library/Caches", "Library/Preferences", "Documents", "tmp"}) {
        fs::create_directories(absolute / sub, ignored);
    }
    {
        std::lock_guard lock(gSandboxMutex);
        gRoot = absolute;
    }
    ++gGeneration;
}

std::optional<fs::path> Sandbox::root() {
    std::lock_guard lock(gSandboxMutex);
    return gRoot;
}

std::uint64_t Sandbox::generation() { return gGeneration.load(); }

fs::path Sandbox::applicationSupportDirectory() { return underRoot("Library/Application Support"); }
fs::path Sandbox::cachesDirectory() { return underRoot("Library/Caches"); }
fs::path Sandbox::documentsDirectory() { return underRoot("Documents"); }
fs::path Sandbox::preferencesDirectory() { return underRoot("Library/Preferences"); }
fs::path Sandbox::libraryDirectory() { return underRoot("Library"); }
fs::path Sandbox::temporaryDirectory() { return underRoot("tmp"); }

// ---------------------------------------------------------------------------
// Errors

namespace {

Error fileError(long code, const fs::path& path, int posixCode, std::string_view description) {
    nlohmann::json info = nlohmann::json::object();
    info["NSFilePath"] = path.string();
    info[std::string(kLocalizedDescriptionKey)] = std::string(description);
    if (posixCode != 0) {
        info[std::string(kUnderlyingErrorKey)] = {{"domain", std::string(kPOSIXErrorDomain)},
                                                   {"code", posixCode},
                                                   {"description", std::strerror(posixCode)}};
    }
    return Error(std::string(kCocoaErrorDomain), code, std::move(info));
}

std::string quoted(const fs::path& path) { return "\u201c" + path.filename().string() + "\u201d"; }

Error readError(const fs::path& path, int err) {
    if (err == ENOENT || err == ENOTDIR) {
        return fileError(CocoaError::fileReadNoSuchFile, path, err,
                         "The file " + quoted(path) + " couldn\u2019t be opened because there is no such file.");
    }
    return fileError(CocoaError::fileReadUnknown, path, err,
                     "The file " + quoted(path) + " couldn\u2019t be opened.");
}

Error writeError(const fs::path& path, int err) {
    if (err == EACCES || err == EPERM || err == EROFS) {
        return fileError(CocoaError::fileWriteNoPermission, path, err,
                         "You don\u2019t have permission to save the file " + quoted(path) + ".");
    }
    if (err == ENOSPC) {
        return fileError(CocoaError::fileWriteOutOfSpace, path, err,
                         "The file " + quoted(path) + " couldn\u2019t be saved because there isn\u2019t enough space.");
    }
    if (err == ENOENT || err == ENOTDIR) {
        return fileError(CocoaError::fileNoSuchFile, path, err,
                         "The folder " + quoted(path.parent_path()) + " doesn\u2019t exist.");
    }
    return fileError(CocoaError::fileWriteUnknown, path, err,
                     "The file " + quoted(path) + " couldn\u2019t be saved.");
}

Error removeError(const fs::path& path, int err) {
    if (err == ENOENT) {
        return fileError(CocoaError::fileNoSuchFile, path, err,
                         quoted(path) + " couldn\u2019t be removed because it doesn\u2019t exist.");
    }
    return fileError(CocoaError::fileWriteUnknown, path, err, quoted(path) + " couldn\u2019t be removed.");
}

std::mutex gInjectorMutex;
FileManager::FailureInjector gInjector;

bool writeAll(int fd, const Data& data) {
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// FileManager

FileManager& FileManager::defaultManager() {
    static FileManager manager;
    return manager;
}

void FileManager::setFailureInjector(FailureInjector injector) {
    std::lock_guard lock(gInjectorMutex);
    gInjector = std::move(injector);
}

std::optional<Error> FileManager::injected(Operation op, const fs::path& path) const {
    FailureInjector injector;
    {
        std::lock_guard lock(gInjectorMutex);
        injector = gInjector;
    }
    return injector ? injector(op, path) : std::nullopt;
}

std::vector<Url> FileManager::urls(SearchPathDirectory directory) const {
    if (!Sandbox::root()) return {};
    fs::path path;
    switch (directory) {
    case SearchPathDirectory::applicationSupport: path = Sandbox::applicationSupportDirectory(); break;
    case SearchPathDirectory::caches: path = Sandbox::cachesDirectory(); break;
    case SearchPathDirectory::documents: path = Sandbox::documentsDirectory(); break;
    case SearchPathDirectory::library: path = Sandbox::libraryDirectory(); break;
    case SearchPathDirectory::preferences: path = Sandbox::preferencesDirectory(); break;
    }
    return {Url::fileURL(path, true)};
}

fs::path FileManager::temporaryDirectory() const { return Sandbox::temporaryDirectory(); }

bool FileManager::fileExists(const fs::path& path) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool FileManager::isDirectory(const fs::path& path) const {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::expected<void, Error> FileManager::createDirectory(const fs::path& path, bool withIntermediateDirectories) const {
    if (auto e = injected(Operation::createDirectory, path)) return std::unexpected(*e);
    std::error_code ec;
    if (withIntermediateDirectories) {
        fs::create_directories(path, ec);
        if (!ec && fs::is_directory(path)) return {};
    } else if (fs::create_directory(path, ec)) {
        return {};
    }
    if (!ec) ec = std::make_error_code(std::errc::file_exists);
    return std::unexpected(writeError(path, ec.value()));
}

std::expected<std::vector<std::string>, Error> FileManager::contentsOfDirectory(const fs::path& path) const {
    if (auto e = injected(Operation::list, path)) return std::unexpected(*e);
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    if (ec) return std::unexpected(readError(path, ec.value()));
    std::sort(names.begin(), names.end());
    return names;
}

std::expected<void, Error> FileManager::removeItem(const fs::path& path) const {
    if (auto e = injected(Operation::remove, path)) return std::unexpected(*e);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return std::unexpected(removeError(path, ENOENT));
    fs::remove_all(path, ec);
    if (ec) return std::unexpected(removeError(path, ec.value()));
    return {};
}

std::expected<void, Error> FileManager::moveItem(const fs::path& from, const fs::path& to) const {
    if (auto e = injected(Operation::move, from)) return std::unexpected(*e);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec))) {
        return std::unexpected(writeError(to, EEXIST));
    }
    fs::rename(from, to, ec);
    if (ec) return std::unexpected(writeError(to, ec.value()));
    return {};
}

std::expected<void, Error> FileManager::copyItem(const fs::path& from, const fs::path& to) const {
    if (auto e = injected(Operation::copy, from)) return std::unexpected(*e);
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive, ec);
    if (ec) return std::unexpected(writeError(to, ec.value()));
    return {};
}

std::expected<Data, Error> FileManager::contents(const fs::path& path) const {
    if (auto e = injected(Operation::read, path)) return std::unexpected(*e);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(readError(path, errno));
    Data data;
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return std::unexpected(readError(path, err));
        }
        if (n == 0) break;
        data.insert(data.end(), buffer, buffer + n);
    }
    ::close(fd);
    return data;
}

std::expected<void, Error> FileManager::write(const fs::path& path, const Data& data) const {
    if (auto e = injected(Operation::write, path)) return std::unexpected(*e);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return std::unexpected(writeError(path, errno));
    const bool ok = writeAll(fd, data);
    const int err = errno;
    if (::close(fd) != 0 || !ok) return std::unexpected(writeError(path, ok ? errno : err));
    return {};
}

std::expected<void, Error> FileManager::writeAtomically(const fs::path& path, const Data& data,
                                                        const AtomicWriteOptions& options) const {
    if (auto e = injected(Operation::write, path)) return std::unexpected(*e);
    std::string temp = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    // mkstemp makes the file for its owner only; it gets its permissions while
    // it still has the temporary name.
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return std::unexpected(writeError(path, errno));
    const auto mode = static_cast<mode_t>(options.permissions & fs::perms::mask);
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && options.replacing && ::rename(temp.c_str(), path.c_str()) == 0) return {};
    if (ok && !options.replacing && ::link(temp.c_str(), path.c_str()) == 0) {
        ::unlink(temp.c_str());
        return {};
    }
    if (ok) err = errno;
    ::unlink(temp.c_str());
    if (err == EEXIST && !options.replacing) {
        return std::unexpected(fileError(CocoaError::fileWriteFileExists, path, err,
                                         "The file " + quoted(path) +
                                             " couldn\u2019t be saved because a file with the same name already exists."));
    }
    return std::unexpected(writeError(path, err));
}

std::optional<Data> readFile(const fs::path& path) {
    auto data = FileManager::defaultManager().contents(path);
    if (!data) return std::nullopt;
    return std::move(*data);
}

std::expected<void, Error> writeFileAtomically(const fs::path& path, const Data& data) {
    return FileManager::defaultManager().writeAtomically(path, data);
}

namespace {

/// The path with its links followed and without a trailing separator; none on error.
std::optional<fs::path> resolved(const fs::path& path) {
    std::error_code error;
    auto absolute = fs::absolute(path, error);
    if (error) return std::nullopt;
    auto result = fs::weakly_canonical(absolute, error);
    if (error) return std::nullopt;
    if (!result.has_filename() && result.has_parent_path() && result != result.root_path()) {
        result = result.parent_path();
    }
    return result;
}

} // namespace

bool resolvesWithin(const fs::path& path, const fs::path& folder) {
    if (path.empty() || folder.empty()) return false;
    const auto inner = resolved(path);
    const auto outer = resolved(folder);
    if (!inner || !outer) return false;
    const auto relative = inner->lexically_relative(*outer);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace platform
