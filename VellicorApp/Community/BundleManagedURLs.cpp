#include "VellicorApp/Community/BundleManagedURLs.hpp"

#include "VellicorApp/Community/ManagedURLsPersistentStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include <algorithm>

namespace vellicor {

std::string localizedReason(ManagedURLInputError error) {
    switch (error) {
    case ManagedURLInputError::invalidInput: return localized("INVALID_URL", "invalid URL error reason string");
    case ManagedURLInputError::invalidType:
        return localized("INVALID_MANAGED_TYPE", "invalid managed type error reason string");
    case ManagedURLInputError::alreadyExist:
        return localized("URL_ALREADY_EXIST", "URL already exist error reason string");
    case ManagedURLInputError::reachedLimit:
        return localized("REACHED_MAX_LIMIT", "URL type reached max limit error reason string");
    }
    return {};
}

namespace {

std::string normalizedBehavior(std::string behavior) {
    if (behavior == "WithinApp" || behavior == "InAppSharedCookieBrowser" || behavior == "InAppBrowser" ||
        behavior == "ExternalBrowser") {
        return behavior;
    }
    return "InAppBrowser";
}

std::vector<std::string> decodeList(const platform::Json& value, const char* key) {
    if (!value.is_object()) return {};
    const auto found = value.find(key);
    if (found == value.end()) return {};
    return platform::asStringArray(*found).value_or(std::vector<std::string>{});
}

std::string decodeBehavior(const platform::Json& value) {
    if (!value.is_object()) return "InAppBrowser";
    const auto found = value.find("DefaultBehavior");
    if (found == value.end()) return "InAppBrowser";
    return normalizedBehavior(platform::asString(*found).value_or("InAppBrowser"));
}

template <class T> std::shared_ptr<T> decodeAs(const platform::Json& value) {
    return std::make_shared<T>(decodeList(value, "ExternalBrowser"), decodeList(value, "InAppBrowser"),
                               decodeList(value, "InAppSharedCookieBrowser"), decodeList(value, "WithinApp"),
                               decodeBehavior(value));
}

} // namespace

BundleManagedURLs::BundleManagedURLs(std::vector<std::string> externalBrowser, std::vector<std::string> inAppBrowser,
                                     std::vector<std::string> inAppSharedCookieBrowser,
                                     std::vector<std::string> withinApp, std::string defaultBehavior)
    : externalBrowser_(std::move(externalBrowser)), inAppBrowser_(std::move(inAppBrowser)),
      inAppSharedCookieBrowser_(std::move(inAppSharedCookieBrowser)), withinApp_(std::move(withinApp)),
      defaultBehavior_(normalizedBehavior(std::move(defaultBehavior))) {}

std::shared_ptr<BundleManagedURLs> BundleManagedURLs::decode(const platform::Json& value) {
    return decodeAs<BundleManagedURLs>(value);
}

platform::Json BundleManagedURLs::encode() const {
    return platform::Json{{"ExternalBrowser", externalBrowser_},
                          {"InAppBrowser", inAppBrowser_},
                          {"InAppSharedCookieBrowser", inAppSharedCookieBrowser_},
                          {"WithinApp", withinApp_},
                          {"DefaultBehavior", defaultBehavior_}};
}

std::shared_ptr<ManagedURLs> BundleManagedURLs::managedURLs() {
    const auto context = AppContext::current();
    if (context->yarrowinAppType()) {
        if (auto stored = ManagedURLsPersistentStore().managedURLs()) return stored;
        return RuntimeManagedURLs::empty();
    }
    const auto value = context->mainBundle->objectForInfoDictionaryKey("URLManagement");
    if (!value || !value->is_object()) {
        Logger::error("Managed URLs are either configured incorrect or unavailable.", "Context");
        return nullptr;
    }
    return decode(*value);
}

void BundleManagedURLs::setExternalBrowser(std::vector<std::string> list) {
    notifyWillChange();
    externalBrowser_ = std::move(list);
    listsDidChange();
}
void BundleManagedURLs::setInAppBrowser(std::vector<std::string> list) {
    notifyWillChange();
    inAppBrowser_ = std::move(list);
    listsDidChange();
}
void BundleManagedURLs::setInAppSharedCookieBrowser(std::vector<std::string> list) {
    notifyWillChange();
    inAppSharedCookieBrowser_ = std::move(list);
    listsDidChange();
}
void BundleManagedURLs::setWithinApp(std::vector<std::string> list) {
    notifyWillChange();
    withinApp_ = std::move(list);
    listsDidChange();
}
void BundleManagedURLs::setDefaultBehavior(std::string behavior) {
    notifyWillChange();
    defaultBehavior_ = normalizedBehavior(std::move(behavior));
}

std::vector<std::string>& BundleManagedURLs::mutableList(ManagedURLType type) {
    switch (type) {
    case ManagedURLType::internalWebApp: return withinApp_;
    case ManagedURLType::internalCookieBrowser: return inAppSharedCookieBrowser_;
    case ManagedURLType::externalBrowser: return externalBrowser_;
    case ManagedURLType::unknown:
    case ManagedURLType::internalBrowser: break;
    }
    return inAppBrowser_;
}

std::shared_ptr<RuntimeManagedURLs> RuntimeManagedURLs::decode(const platform::Json& value) {
    return decodeAs<RuntimeManagedURLs>(value);
}

std::shared_ptr<RuntimeManagedURLs> RuntimeManagedURLs::empty() {
    return std::make_shared<RuntimeManagedURLs>(std::vector<std::string>{}, std::vector<std::string>{},
                                                std::vector<std::string>{}, std::vector<std::string>{},
                                                "InAppBrowser");
}

void RuntimeManagedURLs::remove(const std::string& url, ManagedURLType type) {
    if (type == ManagedURLType::unknown) return;
    auto& list = mutableList(type);
    const auto found = std::find(list.begin(), list.end(), url);
    if (found == list.end()) return;
    notifyWillChange();
    list.erase(found);
    listsDidChange();
}

std::optional<ManagedURLInputError> RuntimeManagedURLs::add(const std::string& url, ManagedURLType type) {
    // The limit is that of the running context's rule set, which is this one
    // while the editor runs.
    if (hasReachedLimit(type)) return ManagedURLInputError::reachedLimit;
    if (type == ManagedURLType::unknown) return ManagedURLInputError::invalidType;
    notifyWillChange();
    mutableList(type).push_back(url);
    listsDidChange();
    return std::nullopt;
}

std::optional<ManagedURLInputError> RuntimeManagedURLs::replace(const std::string& url, ManagedURLType from,
                                                                ManagedURLType to) {
    if (auto error = add(url, to)) return error;
    remove(url, from);
    return std::nullopt;
}

std::optional<std::vector<std::string>> RuntimeManagedURLs::urls(ManagedURLType type) const {
    if (type == ManagedURLType::unknown) return std::nullopt;
    return list(type);
}

void RuntimeManagedURLs::updateDefaultBehavior(ManagedURLType type) { setDefaultBehavior(description(type)); }

bool RuntimeManagedURLs::operator==(const RuntimeManagedURLs& other) const {
    return externalBrowser() == other.externalBrowser() && inAppBrowser() == other.inAppBrowser() &&
           inAppSharedCookieBrowser() == other.inAppSharedCookieBrowser() && withinApp() == other.withinApp();
}

} // namespace vellicor
