#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::web {

/// The cookies of one website data store: what its web views send and what
/// their pages' responses set. Completions run on the main queue, after the
/// change has been made. A persistent store writes its lasting cookies (those
/// with an expiry) to its file after every change, atomically; session cookies
/// stay in memory, as on the platform.
class PLATFORM_EXPORT HttpCookieStore {
public:
    /// A store kept in memory, or one read from and written to `file`.
    static std::shared_ptr<HttpCookieStore> create(std::optional<std::filesystem::path> file = std::nullopt);

    void getAllCookies(std::function<void(std::vector<HttpCookie>)> completion) const;
    /// Stores a cookie, replacing the one of the same name, domain and path.
    void setCookie(const HttpCookie& cookie, std::function<void()> completion = {});
    void deleteCookie(const HttpCookie& cookie, std::function<void()> completion = {});
    void deleteAllCookies(std::function<void()> completion = {});

    /// The jar the store's web views fetch with.
    const std::shared_ptr<HttpCookieStorage>& storage() const { return storage_; }
    /// The file of a persistent store.
    const std::optional<std::filesystem::path>& file() const { return file_; }
    /// Writes the lasting cookies to the file when they changed (a page load
    /// stored some); does nothing for a store kept in memory.
    void synchronize();

private:
    explicit HttpCookieStore(std::optional<std::filesystem::path> file);
    std::shared_ptr<HttpCookieStorage> storage_;
    std::optional<std::filesystem::path> file_;
    std::string written_; // the text last read from or written to the file
};

} // namespace platform::web
