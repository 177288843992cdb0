#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/UserDefaults.hpp"

#include <algorithm>
#include <cctype>

namespace platform::veltrane {

namespace {

std::string configured(const char* key, const char* fallback) {
    if (auto value = Bundle::main()->objectForInfoDictionaryKey(key)) {
        if (auto text = asString(*value); text && !text->empty()) return *text;
    }
    return fallback;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::shared_ptr<VQSDKLoginHostStorage> VQSDKLoginHostStorage::sharedInstance() {
    static auto* instance = new std::shared_ptr<VQSDKLoginHostStorage>(new VQSDKLoginHostStorage());
    return *instance;
}

std::string VQSDKLoginHostStorage::productionLoginHost() {
    return configured("VQSDKProductionLoginHost", kDefaultProductionLoginHost);
}

std::string VQSDKLoginHostStorage::sandboxLoginHost() {
    return configured("VQSDKSandboxLoginHost", kDefaultSandboxLoginHost);
}

std::vector<VQSDKLoginHost> VQSDKLoginHostStorage::builtInLoginHosts() {
    return {{"Production", productionLoginHost(), false}, {"Sandbox", sandboxLoginHost(), false}};
}

std::vector<VQSDKLoginHost> VQSDKLoginHostStorage::read() const {
    auto stored = UserDefaults::standard()->objectForKey(kDefaultsKey);
    if (!stored) return builtInLoginHosts();
    std::vector<VQSDKLoginHost> hosts;
    if (const Json* list = asArray(*stored)) {
        for (const auto& item : *list) {
            auto name = jsonString(item, "name");
            auto host = jsonString(item, "host");
            // Entries that are not hosts are skipped, not fatal.
            if (!name || !host || host->empty()) continue;
            hosts.emplace_back(*name, *host, jsonBool(item, "deletable").value_or(false));
        }
    }
    return hosts;
}

void VQSDKLoginHostStorage::write(const std::vector<VQSDKLoginHost>& hosts) const {
    Json list = Json::array();
    for (const auto& host : hosts) {
        list.push_back({{"name", host.name}, {"host", host.host}, {"deletable", host.isDeletable}});
    }
    UserDefaults::standard()->set(kDefaultsKey, list);
}

std::size_t VQSDKLoginHostStorage::numberOfLoginHosts() const {
    std::lock_guard lock(mutex_);
    return read().size();
}

std::optional<VQSDKLoginHost> VQSDKLoginHostStorage::loginHostAtIndex(std::size_t index) const {
    std::lock_guard lock(mutex_);
    auto hosts = read();
    if (index >= hosts.size()) return std::nullopt;
    return hosts[index];
}

std::optional<VQSDKLoginHost> VQSDKLoginHostStorage::loginHostForHostAddress(const std::string& host) const {
    std::lock_guard lock(mutex_);
    for (const auto& item : read()) {
        if (equalsIgnoringCase(item.host, host)) return item;
    }
    return std::nullopt;
}

std::vector<VQSDKLoginHost> VQSDKLoginHostStorage::loginHosts() const {
    std::lock_guard lock(mutex_);
    return read();
}

void VQSDKLoginHostStorage::addLoginHost(const VQSDKLoginHost& host) {
    std::lock_guard lock(mutex_);
    auto hosts = read();
    hosts.push_back(host);
    write(hosts);
}

void VQSDKLoginHostStorage::insertLoginHost(const VQSDKLoginHost& host, std::size_t index) {
    std::lock_guard lock(mutex_);
    auto hosts = read();
    hosts.insert(hosts.begin() + static_cast<std::ptrdiff_t>(std::min(index, hosts.size())), host);
    write(hosts);
}

bool VQSDKLoginHostStorage::removeLoginHostAtIndex(std::size_t index) {
    std::lock_guard lock(mutex_);
    auto hosts = read();
    if (index >= hosts.size()) return false;
    hosts.erase(hosts.begin() + static_cast<std::ptrdiff_t>(index));
    write(hosts);
    return true;
}

} // namespace platform::veltrane
