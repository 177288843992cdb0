#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Clock.hpp"
#include "Platform/Web/HttpCookieStore.hpp"

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace platform::web {

/// The kinds of website data, by the platform's identifiers.
inline constexpr const char* kWebsiteDataTypeCookies = "WKWebsiteDataTypeCookies";
inline constexpr const char* kWebsiteDataTypeDiskCache = "WKWebsiteDataTypeDiskCache";
inline constexpr const char* kWebsiteDataTypeMemoryCache = "WKWebsiteDataTypeMemoryCache";
inline constexpr const char* kWebsiteDataTypeFetchCache = "WKWebsiteDataTypeFetchCache";
inline constexpr const char* kWebsiteDataTypeOfflineWebApplicationCache = "WKWebsiteDataTypeOfflineWebApplicationCache";
inline constexpr const char* kWebsiteDataTypeLocalStorage = "WKWebsiteDataTypeLocalStorage";
inline constexpr const char* kWebsiteDataTypeSessionStorage = "WKWebsiteDataTypeSessionStorage";
inline constexpr const char* kWebsiteDataTypeIndexedDBDatabases = "WKWebsiteDataTypeIndexedDBDatabases";
inline constexpr const char* kWebsiteDataTypeWebSQLDatabases = "WKWebsiteDataTypeWebSQLDatabases";
inline constexpr const char* kWebsiteDataTypeServiceWorkerRegistrations = "WKWebsiteDataTypeServiceWorkerRegistrations";

/// The data of one site: its display name (the domain, without a leading ".")
/// and the kinds of data kept for it.
struct PLATFORM_EXPORT WebsiteDataRecord {
    std::string displayName;
    std::set<std::string> dataTypes;
    bool operator==(const WebsiteDataRecord&) const = default;
};

/// Where web views keep their data. Pages run no scripts and nothing is
/// cached here, so cookies are the only data a store holds; the other kinds
/// are known (fetching or removing them finds nothing). Main thread;
/// completions run on the main queue.
class PLATFORM_EXPORT WebsiteDataStore {
public:
    /// The app's persistent store: cookies with an expiry are kept in the
    /// sandbox (cookieFilePath()) and read back at the next launch. One store per
    /// sandbox: a new sandbox (a fresh install) gets a new one.
    static std::shared_ptr<WebsiteDataStore> defaultDataStore();
    /// A new store kept in memory only.
    static std::shared_ptr<WebsiteDataStore> nonPersistent();
    /// Every kind of website data.
    static std::set<std::string> allWebsiteDataTypes();
    /// The file of the default store's cookies (under Library/Cookies).
    static std::filesystem::path cookieFilePath();

    bool isPersistent() const { return persistent_; }
    const std::shared_ptr<HttpCookieStore>& httpCookieStore() const { return cookieStore_; }

    /// The records of the sites with data of the given kinds, sorted by display name.
    void fetchDataRecords(const std::set<std::string>& dataTypes,
                          std::function<void(std::vector<WebsiteDataRecord>)> completion) const;
    /// Removes the given kinds of data of the records' sites.
    void removeData(const std::set<std::string>& dataTypes, const std::vector<WebsiteDataRecord>& records,
                    std::function<void()> completion = {});
    /// Removes the given kinds of data changed since a time. The store keeps no
    /// modification times, so this removes all data of those kinds.
    void removeData(const std::set<std::string>& dataTypes, TimeInterval modifiedSince,
                    std::function<void()> completion = {});

private:
    WebsiteDataStore(bool persistent, std::shared_ptr<HttpCookieStore> cookieStore);
    bool persistent_;
    std::shared_ptr<HttpCookieStore> cookieStore_;
};

} // namespace platform::web
