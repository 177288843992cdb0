#pragma once

#include "VellicorApp/Community/ConfigFileCache.hpp"
#include "VellicorApp/Community/ZentariPushProvisioningInfo.hpp"

#include "Platform/Foundation/Data.hpp"

#include <optional>
#include <string>

namespace vellicor {

/// Which marketing provisioning entry the app uses. The app package's
/// provisioning file holds one entry, or entries by name with "production"
/// as the default; an entry chosen by name is kept, encrypted, in the folder
/// "ZentariProvisionSelectionStore" under Application Support and survives
/// restarts. Two stores see the same kept choice. Every call runs
/// synchronously on the caller's thread.
class ZentariProvisionSelectionStore {
public:
    /// The base name of the kept choice's file.
    static constexpr const char* kSelectionFileName = "ZentariProvisionSelection";

    /// Over the provisioning file of the running context's app package
    /// ("ZentariSDKConfiguration.json"; none when the package lacks it).
    ZentariProvisionSelectionStore();
    /// Over a provisioning file of one's choosing (none: no file).
    explicit ZentariProvisionSelectionStore(std::optional<std::string> configPath);

    /// The kept choice, else the provisioning file's default entry, else none.
    /// A kept choice that cannot be read, decrypted or decoded counts as none.
    std::optional<ZentariPushProvisioningInfo> selection() const;

    /// Keeps the entry of the named-entries provisioning file whose name
    /// equals `name` ignoring case. Changes nothing when the file is missing
    /// or of the one-entry shape, no name matches, or encryption fails; a
    /// failed write is logged at error level and leaves the earlier choice.
    void applyProvision(const std::string& name) const;

    const std::optional<std::string>& configPath() const { return configPath_; }

private:
    /// The bytes of the provisioning file; none without a path or file.
    std::optional<platform::Data> zentariProvisionInfo() const;
    /// The whole file read as one entry, else its member "production".
    std::optional<ZentariPushProvisioningInfo> defaultProvision() const;

    ConfigFileCache configFileCache_;
    std::optional<std::string> configPath_;
};

} // namespace vellicor
