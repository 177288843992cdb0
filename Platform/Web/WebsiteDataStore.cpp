#include "Platform/Web/WebsiteDataStore.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"

#include <map>
#include <mutex>

namespace platform::web {

namespace {

/// The site a cookie belongs to: its domain without the leading ".".
std::string displayName(const HttpCookie& cookie) {
    std::string_view domain = cookie.domain();
    if (domain.starts_with('.')) {
        domain.remove_prefix(1);
    }
    return std::string(domain);
}

void completeOnMain(std::function<void()> completion) {
    if (completion) {
        MainQueue::async(std::move(completion));
    }
}

} // namespace

WebsiteDataStore::WebsiteDataStore(bool persistent, std::shared_ptr<HttpCookieStore> cookieStore)
    : persistent_(persistent), cookieStore_(std::move(cookieStore)) {}

std::shared_ptr<WebsiteDataStore> WebsiteDataStore::defaultDataStore() {
    static std::mutex mutex;
    static std::shared_ptr<WebsiteDataStore> store;
    static std::uint64_t generation = 0;
    std::lock_guard lock(mutex);
    const auto current = Sandbox::generation();
    if (!store || generation != current) {
        std::optional<std::filesystem::path> file;
        if (Sandbox::root()) {
            file = cookieFilePath();
        }
        store.reset(new WebsiteDataStore(true, HttpCookieStore::create(std::move(file))));
        generation = current;
    }
    return store;
}

std::shared_ptr<WebsiteDataStore> WebsiteDataStore::nonPersistent() {
    return std::shared_ptr<WebsiteDataStore>(new WebsiteDataStore(false, HttpCookieStore::create()));
}

std::set<std::string> WebsiteDataStore::allWebsiteDataTypes() {
    return {kWebsiteDataTypeCookies,
            kWebsiteDataTypeDiskCache,
            kWebsiteDataTypeMemoryCache,
            kWebsiteDataTypeFetchCache,
            kWebsiteDataTypeOfflineWebApplicationCache,
            kWebsiteDataTypeLocalStorage,
            kWebsiteDataTypeSessionStorage,
            kWebsiteDataTypeIndexedDBDatabases,
            kWebsiteDataTypeWebSQLDatabases,
            kWebsiteDataTypeServiceWorkerRegistrations};
}

std::filesystem::path WebsiteDataStore::cookieFilePath() {
    return Sandbox::libraryDirectory() / "Cookies" / "Cookies.txt";
}

void WebsiteDataStore::fetchDataRecords(const std::set<std::string>& dataTypes,
                                        std::function<void(std::vector<WebsiteDataRecord>)> completion) const {
    std::map<std::string, WebsiteDataRecord> sites;
    if (dataTypes.contains(kWebsiteDataTypeCookies)) {
        for (const auto& cookie : cookieStore_->storage()->cookies()) {
            auto name = displayName(cookie);
            auto& record = sites[name];
            record.displayName = name;
            record.dataTypes.insert(kWebsiteDataTypeCookies);
        }
    }
    if (!completion) {
        return;
    }
    std::vector<WebsiteDataRecord> records;
    for (auto& [name, record] : sites) {
        records.push_back(std::move(record));
    }
    MainQueue::async([completion = std::move(completion), records = std::move(records)] { completion(records); });
}

void WebsiteDataStore::removeData(const std::set<std::string>& dataTypes, const std::vector<WebsiteDataRecord>& records,
                                  std::function<void()> completion) {
    if (dataTypes.contains(kWebsiteDataTypeCookies)) {
        std::set<std::string> sites;
        for (const auto& record : records) {
            if (record.dataTypes.contains(kWebsiteDataTypeCookies)) {
                sites.insert(record.displayName);
            }
        }
        const auto& storage = cookieStore_->storage();
        for (const auto& cookie : storage->cookies()) {
            if (sites.contains(displayName(cookie))) {
                storage->deleteCookie(cookie);
            }
        }
        cookieStore_->synchronize();
    }
    completeOnMain(std::move(completion));
}

void WebsiteDataStore::removeData(const std::set<std::string>& dataTypes, TimeInterval /*modifiedSince*/,
                                  std::function<void()> completion) {
    if (dataTypes.contains(kWebsiteDataTypeCookies)) {
        cookieStore_->storage()->removeAllCookies();
        cookieStore_->synchronize();
    }
    completeOnMain(std::move(completion));
}

} // namespace platform::web
