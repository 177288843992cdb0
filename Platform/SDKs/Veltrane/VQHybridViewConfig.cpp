#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

namespace platform::veltrane {

namespace {

constexpr const char* kRemoteAccessConsumerKey = "remoteAccessConsumerKey";
constexpr const char* kOauthRedirectURI = "oauthRedirectURI";
constexpr const char* kOauthScopes = "oauthScopes";
constexpr const char* kIsLocal = "isLocal";
constexpr const char* kStartPage = "startPage";
constexpr const char* kUnauthenticatedStartPage = "unauthenticatedStartPage";
constexpr const char* kShouldAuthenticate = "shouldAuthenticate";

} // namespace

std::shared_ptr<VQHybridViewConfig> VQHybridViewConfig::fromConfigFile(const std::filesystem::path& path) {
    auto data = readFile(path);
    if (!data) return nullptr;
    auto json = parseJson(*data);
    if (!json || !json->is_object()) {
        VQSDKLogger::sharedInstanceWithComponent(kVQHybridComponentName)
            ->e("VQHybridViewConfig", "The boot configuration file is not a JSON object: " + path.filename().string());
        return nullptr;
    }
    return std::shared_ptr<VQHybridViewConfig>(new VQHybridViewConfig(std::move(*json)));
}

std::shared_ptr<VQHybridViewConfig> VQHybridViewConfig::fromDefaultConfigFile() {
    auto path = Bundle::main()->pathForResource(std::string(kDefaultConfigFileName), std::nullopt);
    if (!path) return nullptr;
    return fromConfigFile(*path);
}

std::shared_ptr<VQHybridViewConfig> VQHybridViewConfig::create(const std::optional<Json>& dictionary) {
    if (!dictionary) return fromDefaultConfigFile();
    if (!dictionary->is_object()) return nullptr;
    return std::shared_ptr<VQHybridViewConfig>(new VQHybridViewConfig(*dictionary));
}

Json VQHybridViewConfig::configDict() const {
    std::lock_guard lock(mutex_);
    return dict_;
}

std::optional<std::string> VQHybridViewConfig::string(const char* key) const {
    std::lock_guard lock(mutex_);
    return jsonString(dict_, key);
}

void VQHybridViewConfig::setString(const char* key, std::optional<std::string> value) {
    std::lock_guard lock(mutex_);
    if (value) {
        dict_[key] = std::move(*value);
    } else {
        dict_.erase(key);
    }
}

bool VQHybridViewConfig::boolean(const char* key, bool fallback) const {
    std::lock_guard lock(mutex_);
    return jsonBool(dict_, key).value_or(fallback);
}

void VQHybridViewConfig::setBoolean(const char* key, bool value) {
    std::lock_guard lock(mutex_);
    dict_[key] = value;
}

std::optional<std::string> VQHybridViewConfig::remoteAccessConsumerKey() const { return string(kRemoteAccessConsumerKey); }
void VQHybridViewConfig::setRemoteAccessConsumerKey(std::optional<std::string> value) {
    setString(kRemoteAccessConsumerKey, std::move(value));
}
std::optional<std::string> VQHybridViewConfig::oauthRedirectURI() const { return string(kOauthRedirectURI); }
void VQHybridViewConfig::setOauthRedirectURI(std::optional<std::string> value) {
    setString(kOauthRedirectURI, std::move(value));
}

std::vector<std::string> VQHybridViewConfig::oauthScopes() const {
    std::lock_guard lock(mutex_);
    return jsonStringArray(dict_, kOauthScopes).value_or(std::vector<std::string>{});
}

void VQHybridViewConfig::setOauthScopes(const std::vector<std::string>& scopes) {
    std::lock_guard lock(mutex_);
    dict_[kOauthScopes] = scopes;
}

bool VQHybridViewConfig::isLocal() const { return boolean(kIsLocal, false); }
void VQHybridViewConfig::setIsLocal(bool value) { setBoolean(kIsLocal, value); }
std::optional<std::string> VQHybridViewConfig::startPage() const { return string(kStartPage); }
void VQHybridViewConfig::setStartPage(std::optional<std::string> value) { setString(kStartPage, std::move(value)); }
std::optional<std::string> VQHybridViewConfig::unauthenticatedStartPage() const {
    return string(kUnauthenticatedStartPage);
}
void VQHybridViewConfig::setUnauthenticatedStartPage(std::optional<std::string> value) {
    setString(kUnauthenticatedStartPage, std::move(value));
}
bool VQHybridViewConfig::shouldAuthenticate() const { return boolean(kShouldAuthenticate, true); }
void VQHybridViewConfig::setShouldAuthenticate(bool value) { setBoolean(kShouldAuthenticate, value); }

} // namespace platform::veltrane
