#include "VellicorApp/Community/MultiSSOInfoStore.hpp"

#include "VellicorApp/Core/AppContext.hpp"

namespace vellicor {

namespace {

std::optional<platform::Json> infoValue(const std::string& key) {
    return AppContext::current()->mainBundle->objectForInfoDictionaryKey(key);
}

} // namespace

std::vector<ServiceProviderAppInfo> MultiSSOInfoStore::serviceProviderAppInfo() const {
    const auto value = infoValue("ServiceProviderApps");
    if (!value) return {};
    return ServiceProviderAppInfo::decodeList(*value).value_or(std::vector<ServiceProviderAppInfo>{});
}

std::optional<std::string> MultiSSOInfoStore::keyChainGroupName() const {
    const auto value = infoValue("AppIdentifierPrefix");
    const auto prefix = value ? platform::asString(*value) : std::nullopt;
    if (!prefix) return std::nullopt;
    return *prefix + kSharedKeychainGroupSuffix;
}

std::map<std::string, std::string> MultiSSOInfoStore::fetchAppNameAndScheme() const {
    const auto nameValue = infoValue("CFBundleDisplayName");
    const auto name = nameValue ? platform::asString(*nameValue) : std::nullopt;
    if (!name) return {};
    const auto types = infoValue("CFBundleURLTypes");
    if (!types || !types->is_array() || types->empty()) return {};
    const auto& first = types->front();
    if (!first.is_object() || first.empty() || !first.contains("CFBundleURLSchemes")) return {};
    const auto schemes = platform::asStringArray(first.at("CFBundleURLSchemes"));
    if (!schemes || schemes->empty()) return {};
    return {{"appName", *name}, {"scheme", schemes->front()}};
}

} // namespace vellicor
