#pragma once

#include "VellicorApp/Community/CommunityConfigList.hpp"
#include "VellicorApp/Community/CommunityConfigModel.hpp"
#include "VellicorApp/Community/ConfigFileCache.hpp"
#include "VellicorApp/Core/AppMode.hpp"

#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The store of the community the app shows: three JSON files directly in
/// Application Support, named for an app mode (the two editions never share
/// files): the selected community, the list of sites the user added
/// ("<selected name>List") and the hybrid boot configuration.
///
/// Make a fresh store where one is needed; every call reads or writes the
/// files synchronously on the caller's thread. Files are replaced whole
/// (atomically); a failed write is logged at error level.
class CommunityConfigFilePersistentStore {
public:
    /// The files of the given mode; without one, of the running mode at each call.
    explicit CommunityConfigFilePersistentStore(std::optional<AppMode> mode = std::nullopt);

    /// The selected community; none when the file is missing, unreadable or
    /// does not decode.
    std::shared_ptr<CommunityConfigModel> getSelectedCommunity() const;
    bool isCommunitySelected() const;
    /// The sites the user added; none when the file is missing, unreadable
    /// or not JSON (JSON of another shape gives an empty list).
    std::shared_ptr<CommunityConfigList> getCustomCommunitiesList() const;
    void updateCustomCommunitiesList(const CommunityConfigList& list) const;
    /// The mode's boot configuration. Without a readable file: the SDK's
    /// default one, which is then written as the mode's file (none when the SDK
    /// has none). A file that is not a JSON object gives what the SDK makes of
    /// no dictionary.
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> getConfigFile() const;
    /// Makes the model the selected community: rewrites the boot configuration
    /// for it, stores it, and adds it to the list of added sites unless the
    /// list already has an equal one or its login host is the configured
    /// production or sandbox login host. All three files are written before
    /// the call returns; a failed step does not stop the later ones. For the
    /// running mode, the running context's rule set learns the start page.
    void updateConfigFiles(const std::shared_ptr<CommunityConfigModel>& model) const;

    const ConfigFileCache& configFileCache() const { return configFileCache_; }

private:
    AppMode mode() const;
    std::string selectedCommunityPath() const;
    std::string communityConfigListPath() const;
    std::string bootConfigPath() const;

    /// The SDK's default boot configuration, asked for at most once per store.
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> bootConfig() const;
    void updateBootConfig(const CommunityConfigModel& model) const;
    void writeBootConfig(const platform::veltrane::VQHybridViewConfig& config) const;
    void storeSelectedCommunity(const CommunityConfigModel& model) const;

    std::optional<AppMode> mode_;
    ConfigFileCache configFileCache_;
    mutable std::optional<std::shared_ptr<platform::veltrane::VQHybridViewConfig>> bootConfig_;
};

} // namespace vellicor
