#include "Platform/Web/HttpCookieStore.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"

namespace platform::web {

namespace {

void completeOnMain(std::function<void()> completion) {
    if (completion) {
        MainQueue::async(std::move(completion));
    }
}

} // namespace

std::shared_ptr<HttpCookieStore> HttpCookieStore::create(std::optional<std::filesystem::path> file) {
    return std::shared_ptr<HttpCookieStore>(new HttpCookieStore(std::move(file)));
}

HttpCookieStore::HttpCookieStore(std::optional<std::filesystem::path> file)
    : storage_(HttpCookieStorage::create()), file_(std::move(file)) {
    if (!file_) {
        return;
    }
    if (auto data = readFile(*file_)) {
        std::string text(data->begin(), data->end());
        storage_->loadCookiesText(text);
        // What the jar holds of it now (expired and malformed lines are gone).
        written_ = storage_->persistentCookiesText();
        if (written_ != text) {
            written_ = text;
            synchronize();
        }
    }
}

void HttpCookieStore::getAllCookies(std::function<void(std::vector<HttpCookie>)> completion) const {
    if (!completion) {
        return;
    }
    MainQueue::async([completion = std::move(completion), cookies = storage_->cookies()] { completion(cookies); });
}

void HttpCookieStore::setCookie(const HttpCookie& cookie, std::function<void()> completion) {
    storage_->setCookie(cookie);
    synchronize();
    completeOnMain(std::move(completion));
}

void HttpCookieStore::deleteCookie(const HttpCookie& cookie, std::function<void()> completion) {
    storage_->deleteCookie(cookie);
    synchronize();
    completeOnMain(std::move(completion));
}

void HttpCookieStore::deleteAllCookies(std::function<void()> completion) {
    storage_->removeAllCookies();
    synchronize();
    completeOnMain(std::move(completion));
}

void HttpCookieStore::synchronize() {
    if (!file_) {
        return;
    }
    auto text = storage_->persistentCookiesText();
    if (text == written_) {
        return;
    }
    auto& files = FileManager::defaultManager();
    if (text.empty()) {
        // No lasting cookie: no cookie file.
        if (files.fileExists(*file_)) {
            if (auto removed = files.removeItem(*file_); !removed) {
                Console::log("Could not remove the cookie file: " + removed.error().localizedDescription());
                return;
            }
        }
        written_ = text;
        return;
    }
    if (auto created = files.createDirectory(file_->parent_path()); !created) {
        Console::log("Could not create the cookie folder: " + created.error().localizedDescription());
        return;
    }
    if (auto written = files.writeAtomically(*file_, dataFromString(text)); !written) {
        Console::log("Could not write the cookie file: " + written.error().localizedDescription());
        return;
    }
    written_ = std::move(text);
}

} // namespace platform::web
