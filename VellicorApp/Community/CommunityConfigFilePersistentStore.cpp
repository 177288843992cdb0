#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Json.hpp"

#include <algorithm>

namespace vellicor {

namespace {

constexpr const char* kLogType = "CommunityConfigFilePersistentStore";

using platform::veltrane::VQHybridViewConfig;

} // namespace

CommunityConfigFilePersistentStore::CommunityConfigFilePersistentStore(std::optional<AppMode> mode)
    : mode_(mode), configFileCache_(platform::FileManager::defaultManager()) {}

AppMode CommunityConfigFilePersistentStore::mode() const {
    return mode_ ? *mode_ : AppContext::current()->appMode();
}

std::string CommunityConfigFilePersistentStore::selectedCommunityPath() const {
    return appConfigPath(mode()).selectedCommunity;
}

std::string CommunityConfigFilePersistentStore::communityConfigListPath() const { return selectedCommunityPath() + "List"; }

std::string CommunityConfigFilePersistentStore::bootConfigPath() const {
    return appConfigPath(mode()).bootConfig;
}

std::shared_ptr<VQHybridViewConfig> CommunityConfigFilePersistentStore::bootConfig() const {
    if (!bootConfig_) bootConfig_ = VQHybridViewConfig::fromDefaultConfigFile();
    return *bootConfig_;
}

std::shared_ptr<CommunityConfigModel> CommunityConfigFilePersistentStore::getSelectedCommunity() const {
    const auto data = configFileCache_.load(selectedCommunityPath());
    if (!data) return nullptr;
    const auto json = platform::parseJson(*data);
    if (!json) return nullptr;
    auto model = CommunityConfigModel::decode(*json);
    return model ? std::move(*model) : nullptr;
}

bool CommunityConfigFilePersistentStore::isCommunitySelected() const { return getSelectedCommunity() != nullptr; }

std::shared_ptr<CommunityConfigList> CommunityConfigFilePersistentStore::getCustomCommunitiesList() const {
    const auto data = configFileCache_.load(communityConfigListPath());
    if (!data) return nullptr;
    const auto json = platform::parseJson(*data);
    if (!json) return nullptr;
    return CommunityConfigList::decode(*json);
}

void CommunityConfigFilePersistentStore::updateCustomCommunitiesList(const CommunityConfigList& list) const {
    const auto data = platform::dataFromString(platform::serializeJson(list.encode()));
    if (auto error = configFileCache_.save(communityConfigListPath(), data)) {
        Logger::error("Failed to save community list data with error: " + messageString(*error), kLogType);
    }
}

std::shared_ptr<VQHybridViewConfig> CommunityConfigFilePersistentStore::getConfigFile() const {
    const auto data = configFileCache_.load(bootConfigPath());
    if (!data) {
        auto config = bootConfig();
        if (!config) return nullptr;
        writeBootConfig(*config);
        return config;
    }
    auto json = platform::parseJson(*data);
    if (json && !json->is_object()) json.reset();
    return VQHybridViewConfig::create(json);
}

void CommunityConfigFilePersistentStore::updateConfigFiles(const std::shared_ptr<CommunityConfigModel>& model) const {
    if (!model) return;
    updateBootConfig(*model);
    storeSelectedCommunity(*model);
    // The start page's form may have changed with the boot configuration.
    if (const auto context = AppContext::current(); mode() == context->appMode()) {
        communityStartPageDidChange(*context);
    }

    auto list = getCustomCommunitiesList();
    if (!list) list = CommunityConfigList::create();
    const auto& communities = list->communities.get();
    if (std::any_of(communities.begin(), communities.end(), [&model](const auto& each) { return *each == *model; })) {
        return;
    }

    const auto loginHost = withTrailingSlash(model->loginHost.get().absoluteString());
    const auto context = AppContext::current();
    if (const auto production = context->defaultLoginHost(); production && withTrailingSlash(*production) == loginHost) {
        return;
    }
    if (const auto sandbox = context->sandboxLoginHost(); sandbox && withTrailingSlash(*sandbox) == loginHost) {
        return;
    }
    list->add(model);
    updateCustomCommunitiesList(*list);
}

void CommunityConfigFilePersistentStore::updateBootConfig(const CommunityConfigModel& model) const {
    const auto current = getConfigFile();
    if (!current) return;
    current->setUnauthenticatedStartPage(model.unauthenticatedStartPage.get().absoluteString());
    current->setStartPage(model.isSlashSCommunity.get() ? "/s/" : "/");
    const auto dictionary = current->configDict();
    if (!dictionary.is_object()) return;
    const auto rewritten = VQHybridViewConfig::create(dictionary);
    if (!rewritten) return;
    writeBootConfig(*rewritten);
}

void CommunityConfigFilePersistentStore::writeBootConfig(const VQHybridViewConfig& config) const {
    const auto dictionary = config.configDict();
    if (!dictionary.is_object()) {
        Logger::error("Failed to update file", kLogType);
        return;
    }
    const auto data = platform::dataFromString(platform::serializeJson(dictionary, true));
    if (auto error = configFileCache_.save(bootConfigPath(), data)) {
        Logger::error("Failed to save config file data with error: " + messageString(*error), kLogType);
    }
}

void CommunityConfigFilePersistentStore::storeSelectedCommunity(const CommunityConfigModel& model) const {
    const auto data = platform::dataFromString(platform::serializeJson(model.encode()));
    if (auto error = configFileCache_.save(selectedCommunityPath(), data)) {
        Logger::error("Failed to save community data with error: " + messageString(*error), kLogType);
    }
}

} // namespace vellicor
